// Draws the About window's picture, six lottery balls on a studio-blue background, as a
// 180 x 144 colour JPEG (JFIF, baseline), and writes it as the C++ byte array of
// resources/about_picture.cpp. The window shows only the top-left 177 x 114 pixels, so the
// balls stand in that part; the rows below hold the edge of the draw machine's tray.
//
// It is run by hand when the picture changes, and its output is committed:
//   g++ -std=c++20 -O2 scripts/make_about_picture.cpp -ljpeg -o /tmp/make_about_picture
//   /tmp/make_about_picture resources/about_picture.cpp
// jpeglib.h uses FILE and size_t without including their headers.
#include <cstdio>
#include <cstddef>
#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 180;
constexpr int kHeight = 144;
constexpr int kSamples = 4;  // per axis, for smooth edges

struct Rgb {
    double r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Digits 0-9 as 5 x 7 cells, one string per row.
constexpr std::array<std::array<const char*, 7>, 10> kDigits{{
    {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "},
    {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "},
    {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"},
    {"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "},
    {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "},
    {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "},
    {"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "},
    {"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "},
    {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "},
    {" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "},
}};

struct Ball {
    double x, y, radius;
    Rgb colour;
    int number;
};

// The six balls of one SuperLoto draw, largest in front (drawn last).
const std::vector<Ball> kBalls = {
    {150, 24, 19, {0.95, 0.78, 0.10}, 42},  // yellow
    {24, 88, 20, {0.15, 0.62, 0.22}, 13},   // green
    {152, 86, 22, {0.55, 0.20, 0.70}, 36},  // violet
    {104, 34, 22, {0.10, 0.35, 0.85}, 21},  // blue
    {34, 32, 26, {0.85, 0.12, 0.12}, 7},    // red
    {92, 80, 27, {0.98, 0.50, 0.08}, 49},   // orange
};

bool digitCell(int digit, int column, int row) { return kDigits[digit][row][column] == '#'; }

// Whether the point (u, v), in units of the label disc's radius from its centre, falls on an
// inked cell of the ball's number.
bool numberInk(int number, double u, double v) {
    const std::string text = std::to_string(number);
    const int columns = static_cast<int>(text.size()) * 6 - 1;
    const double cell = std::min(0.17, 1.45 / columns);  // cell size in label radii
    const double left = -columns * cell / 2;
    const double top = -7 * cell / 2;
    const int cx = static_cast<int>(std::floor((u - left) / cell));
    const int cy = static_cast<int>(std::floor((v - top) / cell));
    if (cx < 0 || cy < 0 || cx >= columns || cy >= 7) return false;
    const int digit = cx / 6;
    const int column = cx % 6;
    if (column == 5) return false;
    return digitCell(text[digit] - '0', column, cy);
}

Rgb background(double x, double y) {
    // Studio blue, brighter towards a spot behind the balls; the tray's rim below row 118.
    const Rgb deep{0.02, 0.05, 0.22};
    const Rgb light{0.20, 0.42, 0.80};
    const double dx = (x - 90) / 110;
    const double dy = (y - 50) / 80;
    const double glow = std::exp(-(dx * dx + dy * dy) * 1.6);
    Rgb colour = mix(deep, light, glow);
    if (y >= 118) {
        const double t = std::min(1.0, (y - 118) / 26);
        colour = mix({0.75, 0.75, 0.80}, {0.30, 0.30, 0.36}, t);
        if (std::fmod(x, 12.0) < 1.0) colour = mix(colour, {0.1, 0.1, 0.1}, 0.5);
    }
    return colour;
}

// The colour of a ball at the point, or false when the point lies outside it.
bool shadeBall(const Ball& ball, double x, double y, Rgb& out) {
    const double nx = (x - ball.x) / ball.radius;
    const double ny = (y - ball.y) / ball.radius;
    const double d2 = nx * nx + ny * ny;
    if (d2 > 1.0) return false;
    const double nz = std::sqrt(1.0 - d2);
    // Light from the upper left, in front.
    const double lx = -0.45, ly = -0.55, lz = 0.70;
    const double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
    const double hx = lx, hy = ly, hz = lz + 1.0;
    const double hlen = std::sqrt(hx * hx + hy * hy + hz * hz);
    const double specular = std::pow(std::max(0.0, (nx * hx + ny * hy + nz * hz) / hlen), 40);

    Rgb base = ball.colour;
    // A white label disc facing the viewer, with the number in dark ink.
    const double labelRadius = 0.56;
    if (d2 < labelRadius * labelRadius) {
        base =
            numberInk(ball.number, nx / labelRadius, ny / labelRadius) ? Rgb{0.08, 0.08, 0.10} : Rgb{0.97, 0.97, 0.95};
    }
    const double light = 0.25 + 0.85 * diffuse;
    out = {std::min(1.0, base.r * light + specular), std::min(1.0, base.g * light + specular),
           std::min(1.0, base.b * light + specular)};
    return true;
}

std::vector<unsigned char> render() {
    std::vector<unsigned char> pixels(kWidth * kHeight * 3);
    for (int py = 0; py < kHeight; ++py) {
        for (int px = 0; px < kWidth; ++px) {
            Rgb sum{0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double x = px + (sx + 0.5) / kSamples;
                    const double y = py + (sy + 0.5) / kSamples;
                    Rgb colour = background(x, y);
                    for (const Ball& ball : kBalls) shadeBall(ball, x, y, colour);
                    sum = {sum.r + colour.r, sum.g + colour.g, sum.b + colour.b};
                }
            }
            const double n = kSamples * kSamples;
            unsigned char* out = &pixels[(py * kWidth + px) * 3];
            out[0] = static_cast<unsigned char>(std::lround(sum.r / n * 255));
            out[1] = static_cast<unsigned char>(std::lround(sum.g / n * 255));
            out[2] = static_cast<unsigned char>(std::lround(sum.b / n * 255));
        }
    }
    return pixels;
}

std::vector<unsigned char> encode(const std::vector<unsigned char>& pixels) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);  // JFIF marker, baseline, 4:2:0
    jpeg_set_quality(&cinfo, 85, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(&pixels[cinfo.next_scanline * kWidth * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<unsigned char> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_about_picture OUTPUT.cpp\n";
        return 2;
    }
    const std::vector<unsigned char> jpeg = encode(render());
    std::ofstream out(argv[1], std::ios::binary);
    out << "// The About window's picture: six lottery balls, a colour JPEG of 180 x 144 pixels.\n"
           "// Written by scripts/make_about_picture.cpp; do not edit.\n"
           "#include \"resources/about_picture.h\"\n\n"
           "const unsigned char kAboutPicture[] = {";
    for (std::size_t i = 0; i < jpeg.size(); ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x,", jpeg[i]);
        out << (i % 16 == 0 ? "\n    " : " ") << hex;
    }
    out << "\n};\n\nconst std::size_t kAboutPictureSize = sizeof kAboutPicture;\n";
    if (!out) {
        std::cerr << "make_about_picture: cannot write " << argv[1] << '\n';
        return 1;
    }
    std::cout << argv[1] << ": " << jpeg.size() << " bytes of JPEG data\n";
    return 0;
}

// A page's table of draws read with gumbo.
#include "history/html_table.h"

#include <gumbo.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace history {

namespace {

// The text of a cell, its blanks and line breaks as single spaces.
void cellText(const GumboNode* node, std::string& text) {
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE || node->type == GUMBO_NODE_CDATA) {
        for (const char* c = node->v.text.text; *c; ++c) {
            const bool blank = *c == ' ' || *c == '\t' || *c == '\n' || *c == '\r';
            if (!blank)
                text += *c;
            else if (!text.empty() && text.back() != ' ')
                text += ' ';
        }
        return;
    }
    if (node->type != GUMBO_NODE_ELEMENT) return;
    const GumboTag tag = node->v.element.tag;
    if (tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE) return;
    if ((tag == GUMBO_TAG_BR || tag == GUMBO_TAG_P || tag == GUMBO_TAG_DIV || tag == GUMBO_TAG_LI) && !text.empty() &&
        text.back() != ' ')
        text += ' ';
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) cellText(static_cast<const GumboNode*>(children.data[i]), text);
}

struct Table {
    std::string text;
    std::size_t rowsWithNumbers = 0;
};

// The rows of one table; a table inside one of its cells is a table of its own.
void tableRows(const GumboNode* node, Table& table, std::vector<const GumboNode*>& inner) {
    if (node->type != GUMBO_NODE_ELEMENT) return;
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
        const auto* child = static_cast<const GumboNode*>(children.data[i]);
        if (child->type != GUMBO_NODE_ELEMENT) continue;
        const GumboTag tag = child->v.element.tag;
        if (tag == GUMBO_TAG_TR) {
            std::string line;
            bool first = true;
            const GumboVector& cells = child->v.element.children;
            for (unsigned k = 0; k < cells.length; ++k) {
                const auto* cell = static_cast<const GumboNode*>(cells.data[k]);
                if (cell->type != GUMBO_NODE_ELEMENT ||
                    (cell->v.element.tag != GUMBO_TAG_TD && cell->v.element.tag != GUMBO_TAG_TH))
                    continue;
                std::string text;
                cellText(cell, text);
                while (!text.empty() && text.back() == ' ') text.pop_back();
                line += (first ? "" : "\t") + text.substr(text.starts_with(' ') ? 1 : 0);
                first = false;
            }
            if (line.find_first_not_of('\t') == std::string::npos) continue;
            table.rowsWithNumbers += line.find_first_of("0123456789") != std::string::npos;
            table.text += line + '\n';
        } else if (tag == GUMBO_TAG_THEAD || tag == GUMBO_TAG_TBODY || tag == GUMBO_TAG_TFOOT) {
            tableRows(child, table, inner);
        }
    }
}

void findTables(const GumboNode* node, std::vector<const GumboNode*>& tables) {
    if (node->type != GUMBO_NODE_ELEMENT) return;
    if (node->v.element.tag == GUMBO_TAG_TABLE) tables.push_back(node);
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) findTables(static_cast<const GumboNode*>(children.data[i]), tables);
}

}  // namespace

std::string htmlTableText(std::string_view html) {
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
    std::vector<const GumboNode*> tables;
    findTables(output->root, tables);
    Table best;
    for (const GumboNode* node : tables) {
        Table table;
        std::vector<const GumboNode*> inner;
        tableRows(node, table, inner);
        if (table.rowsWithNumbers > best.rowsWithNumbers) best = std::move(table);
    }
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return best.text;
}

bool looksLikeHtml(std::string_view text) {
    const std::size_t at = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (at == std::string_view::npos || text[at] != '<') return false;
    std::string head(text.substr(at, 512));
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* mark : {"<!doctype html", "<html", "<table", "<head", "<body", "<meta", "<tr", "<!--"})
        if (head.find(mark) != std::string::npos) return true;
    return false;
}

}  // namespace history

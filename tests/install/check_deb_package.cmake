# Builds the Debian package of the build tree BUILD_DIR with CPACK_COMMAND in a temporary folder
# and checks it: the two programs, the menu entry, its icon and the manual are in it, the programs
# are executable, and its control fields declare the libraries it needs. The folder is removed
# whatever the outcome.
cmake_minimum_required(VERSION 3.25)

find_program(DPKG_DEB dpkg-deb REQUIRED)
find_program(MKTEMP mktemp REQUIRED)
execute_process(COMMAND ${MKTEMP} -d /tmp/sharometr-deb-XXXXXX OUTPUT_VARIABLE work
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

set(failures "")
function(fail text)
  set(failures "${failures}  ${text}\n" PARENT_SCOPE)
endfunction()

function(check_package work)
  execute_process(COMMAND ${CPACK_COMMAND} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${work}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    fail("cpack failed (${rc}):\n${out}\n${err}")
    set(failures "${failures}" PARENT_SCOPE)
    return()
  endif()
  file(GLOB debs ${work}/*.deb)
  list(LENGTH debs count)
  if(NOT count EQUAL 1)
    fail("expected one .deb in ${work}, found ${count}")
    set(failures "${failures}" PARENT_SCOPE)
    return()
  endif()
  message(STATUS "package: ${debs}")

  # What it installs.
  execute_process(COMMAND ${DPKG_DEB} -c ${debs} OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
  foreach(path ./usr/bin/sharometr ./usr/bin/sharometr-cli)
    if(NOT listing MATCHES "-rwxr-xr-x [^\n]* ${path}\n")
      fail("not listed as an executable: ${path}")
    endif()
  endforeach()
  foreach(path ./usr/share/applications/sharometr.desktop
               ./usr/share/icons/hicolor/32x32/apps/sharometr.png
               ./usr/share/doc/sharometr/manual.doc)
    if(NOT listing MATCHES " ${path}\n")
      fail("not listed: ${path}")
    endif()
  endforeach()

  # What it declares.
  execute_process(COMMAND ${DPKG_DEB} -f ${debs} Package Version Depends Maintainer Description
                  OUTPUT_VARIABLE fields COMMAND_ERROR_IS_FATAL ANY)
  message(STATUS "control fields:\n${fields}")
  if(NOT fields MATCHES "Package: sharometr\n")
    fail("package name is not sharometr")
  endif()
  # The one version of the build, which the window title and `sharometr-cli --version` show too.
  if(NOT fields MATCHES "Version: ${EXPECTED_VERSION}\n")
    fail("package version is not ${EXPECTED_VERSION}")
  endif()
  if(NOT fields MATCHES "Depends: [^\n]+")
    fail("no Depends line")
  endif()
  foreach(dependency libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo libstdc[+][+]6 libc6
                     qt6-qpa-plugins)
    if(NOT fields MATCHES "Depends: [^\n]*${dependency}")
      fail("Depends does not name ${dependency}")
    endif()
  endforeach()
  if(NOT fields MATCHES "Maintainer: [^\n]+@")
    fail("no maintainer with a mail address")
  endif()

  # The files themselves.
  execute_process(COMMAND ${DPKG_DEB} -x ${debs} ${work}/root COMMAND_ERROR_IS_FATAL ANY)
  set(root ${work}/root/usr/share)
  if(EXISTS ${root}/applications/sharometr.desktop)
    file(READ ${root}/applications/sharometr.desktop entry)
    foreach(line "\\[Desktop Entry\\]" "Type=Application" "Icon=sharometr" "Terminal=false")
      if(NOT entry MATCHES "(^|\n)${line}\n")
        fail("the menu entry lacks the line ${line}")
      endif()
    endforeach()
    if(NOT entry MATCHES "\nExec=sh -c [^\n]*exec sharometr\"\n")
      fail("the menu entry does not start sharometr")
    endif()
    find_program(VALIDATE desktop-file-validate)
    if(VALIDATE)
      execute_process(COMMAND ${VALIDATE} ${root}/applications/sharometr.desktop
                      RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
      if(NOT rc EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
        fail("desktop-file-validate: ${out}${err}")
      endif()
    endif()
  endif()
  # A PNG whose header says 32 x 32.
  if(EXISTS ${root}/icons/hicolor/32x32/apps/sharometr.png)
    file(READ ${root}/icons/hicolor/32x32/apps/sharometr.png png LIMIT 24 HEX)
    if(NOT png STREQUAL "89504e470d0a1a0a0000000d494844520000002000000020")
      fail("the icon is not a 32 x 32 PNG")
    endif()
  endif()
  # "{\rtf1\ansi\ansicpg1251", read as bytes.
  if(EXISTS ${root}/doc/sharometr/manual.doc)
    file(READ ${root}/doc/sharometr/manual.doc manual LIMIT 23 HEX)
    if(NOT manual STREQUAL "7b5c727466315c616e73695c616e736963706731323531")
      fail("the manual is not the RTF document in code page 1251")
    endif()
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

check_package(${work})
file(REMOVE_RECURSE ${work})
if(NOT failures STREQUAL "")
  message(FATAL_ERROR "the Debian package:\n${failures}")
endif()

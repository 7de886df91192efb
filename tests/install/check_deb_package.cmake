# Builds the Debian package of the build tree BUILD_DIR with CPACK_COMMAND in a temporary folder
# and checks it: the two programs and the start script are in it and executable, with the menu
# entry that runs the script, its icons in every hicolor size and as SVG, the software centres'
# entry (AppStream, valid with its screenshots listed or not), the manual in both forms, the
# manual pages, the copyright and the changelog; its control fields declare the
# libraries it needs and its maintainer (at version PROJECT_VERSION); and lintian reports neither
# an error nor a warning. The folder is removed whatever the outcome.
cmake_minimum_required(VERSION 3.25)

find_program(DPKG_DEB dpkg-deb REQUIRED)
find_program(MKTEMP mktemp REQUIRED)
find_program(LINTIAN lintian)
if(NOT LINTIAN)
  message(FATAL_ERROR "lintian is not installed (scripts/deps.sh installs it)")
endif()
include(${METAINFO_SCRIPT})
find_program(APPSTREAMCLI appstreamcli)
if(NOT APPSTREAMCLI)
  message(FATAL_ERROR "appstreamcli is not installed (scripts/deps.sh installs appstream)")
endif()
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
  foreach(path ./usr/bin/sharometr ./usr/bin/sharometr-cli ./usr/bin/sharometr-start)
    if(NOT listing MATCHES "-rwxr-xr-x [^\n]* ${path}\n")
      fail("not listed as an executable: ${path}")
    endif()
  endforeach()
  set(icons "")
  foreach(size 16 24 32 48 64 128 256)
    list(APPEND icons ./usr/share/icons/hicolor/${size}x${size}/apps/sharometr.png)
  endforeach()
  foreach(path ./usr/share/applications/sharometr.desktop
               ${icons}
               ./usr/share/icons/hicolor/scalable/apps/sharometr.svg
               ./usr/share/doc/sharometr/manual.doc
               ./usr/share/doc/sharometr/manual.html
               ./usr/share/doc/sharometr/copyright
               ./usr/share/doc/sharometr/changelog.gz
               ./usr/share/man/man1/sharometr.1.gz
               ./usr/share/man/man1/sharometr-cli.1.gz
               ./usr/share/man/man1/sharometr-start.1.gz
               ./usr/share/bash-completion/completions/sharometr-cli)
    if(NOT listing MATCHES " ${path}\n")
      fail("not listed: ${path}")
    endif()
  endforeach()

  if(NOT listing MATCHES " [.]/usr/share/metainfo/([^ \n/]+)[.]metainfo[.]xml\n")
    fail("not listed: the AppStream entry ./usr/share/metainfo/ID.metainfo.xml")
  endif()
  set(appstream_id "${CMAKE_MATCH_1}")

  # What it declares.
  execute_process(COMMAND ${DPKG_DEB} -f ${debs} Package Version Depends Recommends Maintainer Description Homepage
                  OUTPUT_VARIABLE fields COMMAND_ERROR_IS_FATAL ANY)
  message(STATUS "control fields:\n${fields}")
  if(NOT fields MATCHES "Package: sharometr\n")
    fail("package name is not sharometr")
  endif()
  # The one version of the build, which the window title and `sharometr-cli --version` show too.
  if(NOT fields MATCHES "Version: ${PROJECT_VERSION}\n")
    fail("the package version is not the program's, ${PROJECT_VERSION}")
  endif()
  if(NOT fields MATCHES "Depends: [^\n]+")
    fail("no Depends line")
  endif()
  # Qt's Russian catalogue is needed: the program speaks Russian even where Recommends are not
  # installed. The shell's completion is loaded only by bash-completion.
  foreach(dependency libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo libstdc[+][+]6 libc6
                     qt6-qpa-plugins qt6-translations-l10n)
    if(NOT fields MATCHES "\nDepends: [^\n]*${dependency}")
      fail("Depends does not name ${dependency}")
    endif()
  endforeach()
  if(NOT fields MATCHES "\nRecommends: [^\n]*bash-completion")
    fail("Recommends does not name bash-completion")
  endif()
  if(NOT fields MATCHES "Maintainer: [^\n]+@")
    fail("no maintainer with a mail address")
  endif()
  if(fields MATCHES "example[.]org")
    fail("a made-up example.org address")
  endif()
  if(fields MATCHES "Homepage:")
    fail("a Homepage field, and the project has no home page")
  endif()

  # Debian's own checks: no error, no warning (informational notes are allowed).
  execute_process(COMMAND ${LINTIAN} --no-tag-display-limit ${debs}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message(STATUS "lintian:\n${out}")
  string(REGEX MATCHALL "(^|\n)[EW]: [^\n]*" complaints "${out}")
  # A maintainer guessed from the user and the host (no DEBEMAIL, EMAIL or git) is what a fresh
  # machine gives; lintian's remarks on that address alone (in the Maintainer field and the
  # changelog's trailer) pass, and the package is still built.
  file(STRINGS ${BUILD_DIR}/CPackConfig.cmake guessed REGEX "CPACK_SHAROMETR_MAINTAINER_GUESSED \"ON\"")
  if(guessed)
    list(FILTER complaints EXCLUDE REGEX
         "^\n?E: sharometr: ((bogus-mail-host|root-in-contact|no-phrase|malformed-contact|incomplete-mail-address) Maintainer |bogus-mail-host-in-debian-changelog )")
  endif()
  if(NOT rc EQUAL 0 AND NOT complaints AND guessed)
    set(rc 0)
  endif()
  if(NOT rc EQUAL 0 OR complaints)
    fail("lintian (${rc}) complains:${complaints}\n${err}")
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
    if(NOT entry MATCHES "\nExec=sharometr-start\n")
      fail("the menu entry does not run the start script sharometr-start")
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
  # The software centres' entry: named after its id, valid, and no address that leads nowhere;
  # with the screenshots' address given it stays valid and lists every screenshot with captions.
  set(metainfo ${root}/metainfo/${appstream_id}.metainfo.xml)
  if(appstream_id AND EXISTS ${metainfo})
    file(READ ${metainfo} entry)
    if(NOT entry MATCHES "<id>${appstream_id}</id>" OR NOT entry MATCHES "sharometr[.]desktop</launchable>")
      fail("the AppStream entry's id is not its file's name, or it does not name the menu entry")
    endif()
    if(entry MATCHES "example|<url|@[a-z]")
      fail("the AppStream entry names an address")
    endif()
    string(REGEX MATCH "<release version=\"([^\"]+)\" date=\"([^\"]+)\"" release "${entry}")
    if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
      fail("the AppStream entry's release is not ${PROJECT_VERSION}")
    endif()
    # Both forms from the rule the build follows: the installed entry is its form without an
    # address, and with one (a slash at its end is dropped) every screenshot is listed.
    set(date ${CMAKE_MATCH_2})
    sharometr_write_metainfo(${METAINFO_TEMPLATE} ${work}/plain/${appstream_id}.metainfo.xml ${appstream_id}
                             ${PROJECT_VERSION} ${date} "")
    file(READ ${work}/plain/${appstream_id}.metainfo.xml plain)
    if(NOT plain STREQUAL entry)
      fail("the installed AppStream entry is not the one the template makes without a screenshots address")
    endif()
    # Without an address the screenshots stand inside a comment that no "-->" closes before them.
    if(NOT entry MATCHES "<!--([^-]|-[^-]|--[^>])*<screenshots>")
      fail("the AppStream entry lists screenshots without an address for them")
    endif()
    sharometr_write_metainfo(${METAINFO_TEMPLATE} ${work}/shots/${appstream_id}.metainfo.xml ${appstream_id}
                             ${PROJECT_VERSION} ${date} https://screenshots.invalid/)
    file(READ ${work}/shots/${appstream_id}.metainfo.xml shots)
    file(GLOB pictures RELATIVE ${SCREENSHOTS_DIR} ${SCREENSHOTS_DIR}/*.png)
    foreach(picture ${pictures})
      if(NOT shots MATCHES "<caption>[^<]+</caption>\n *<caption xml:lang=\"ru\">[^<]+</caption>\n *<image[^>]*>https://screenshots.invalid/${picture}</image>")
        fail("the AppStream entry lacks the screenshot ${picture} with its captions")
      endif()
    endforeach()
    foreach(file ${metainfo} ${work}/shots/${appstream_id}.metainfo.xml)
      execute_process(COMMAND ${APPSTREAMCLI} validate --no-net --pedantic ${file}
                      RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
      message(STATUS "appstreamcli validate ${file}:\n${out}${err}")
      # Errors, warnings and pedantic remarks fail; the one note allowed is the validator's that it
      # does not know the reserved .invalid at the head of the id.
      string(REGEX MATCHALL "(^|\n)[EWP]: [^\n]*" complaints "${out}")
      if(NOT rc EQUAL 0 OR complaints)
        fail("appstreamcli (${rc}) complains of ${file}:${complaints}\n${err}")
      endif()
    endforeach()
  endif()
  # The start script starts the installed program, after the working folder, its tables and its
  # manual.
  if(EXISTS ${work}/root/usr/bin/sharometr-start)
    file(READ ${work}/root/usr/bin/sharometr-start script)
    foreach(step "^#!/bin/sh\n" "\nmkdir -p \"[$]dir\"\n" "create --game [^\n]*--sample" "share/doc/sharometr/manual.doc"
                 "share/doc/sharometr/manual.html"
                 "\nexec \"[$]here/sharometr\"\n")
      if(NOT script MATCHES "${step}")
        fail("the start script lacks ${step}")
      endif()
    endforeach()
  endif()
  # Run as installed, from a terminal without a display: the start script makes the working
  # folder with the synthetic draws of every game and the manual, then says in Russian that
  # there is no screen and what to do, and ends with status 1; the program itself, sent to a
  # display that is not there, says so too instead of Qt's abort.
  set(bin ${work}/root/usr/bin)
  if(EXISTS ${bin}/sharometr-start AND EXISTS ${bin}/sharometr-cli)
    set(home ${work}/home)
    file(MAKE_DIRECTORY ${home})
    execute_process(COMMAND env -i HOME=${home} PATH=/usr/bin:/bin ${bin}/sharometr-start
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 1 OR NOT err MATCHES "ШАРОМЕТР не запущен: нет экрана" OR NOT err MATCHES "ssh -X")
      fail("without a display the start script ended with ${rc} and said:\n${out}${err}")
    endif()
    set(folder ${home}/.local/share/sharometr)
    foreach(table_draws lotobase.dbf:100 kenobase.dbf:50 g536base.dbf:100)
      string(REPLACE ":" ";" table_draws ${table_draws})
      list(GET table_draws 0 table)
      list(GET table_draws 1 draws)
      execute_process(COMMAND ${bin}/sharometr-cli info ${folder}/${table} OUTPUT_VARIABLE info ERROR_VARIABLE err)
      if(NOT info MATCHES "visible records: ${draws}\n")
        fail("the first start did not make ${table} with ${draws} synthetic draws:\n${info}${err}")
      endif()
    endforeach()
    if(NOT EXISTS ${folder}/manual.html OR NOT EXISTS ${folder}/manual.doc)
      fail("the first start did not put the manual in the working folder")
    endif()
    execute_process(COMMAND env -i HOME=${home} PATH=/usr/bin:/bin QT_QPA_PLATFORM=xcb DISPLAY=:4093 ${bin}/sharometr
                    WORKING_DIRECTORY ${folder} TIMEOUT 60
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 1 OR NOT err MATCHES "^ШАРОМЕТР не запущен: не удалось открыть окно[^\n]*DISPLAY=:4093")
      fail("the program without its display ended with ${rc} and said:\n${out}${err}")
    endif()
  endif()
  # The shell's completion, where bash-completion looks for it, asking the companion for games.
  set(completion ${work}/root/usr/share/bash-completion/completions/sharometr-cli)
  if(NOT EXISTS ${completion})
    fail("the package lacks the bash completion of sharometr-cli")
  else()
    file(READ ${completion} text)
    if(NOT text MATCHES "complete -F _sharometr_cli sharometr-cli" OR NOT text MATCHES " games --dir ")
      fail("the bash completion does not complete sharometr-cli's games")
    endif()
  endif()
  # PNGs whose headers say their sizes, and an SVG.
  foreach(size 16 24 32 48 64 128 256)
    set(icon ${root}/icons/hicolor/${size}x${size}/apps/sharometr.png)
    if(EXISTS ${icon})
      file(READ ${icon} png LIMIT 24 HEX)
      math(EXPR side "${size}" OUTPUT_FORMAT HEXADECIMAL)
      string(SUBSTRING "${side}" 2 -1 side)
      string(LENGTH "${side}" digits)
      while(digits LESS 8)
        string(PREPEND side "0")
        string(LENGTH "${side}" digits)
      endwhile()
      if(NOT png STREQUAL "89504e470d0a1a0a0000000d49484452${side}${side}")
        fail("the ${size}x${size} icon is not a ${size} x ${size} PNG")
      endif()
    endif()
  endforeach()
  if(EXISTS ${root}/icons/hicolor/scalable/apps/sharometr.svg)
    file(READ ${root}/icons/hicolor/scalable/apps/sharometr.svg svg)
    if(NOT svg MATCHES "<svg [^>]*viewBox=")
      fail("the scalable icon is not an SVG picture")
    endif()
  endif()
  # "{\rtf1\ansi\ansicpg1251", read as bytes.
  if(EXISTS ${root}/doc/sharometr/manual.doc)
    file(READ ${root}/doc/sharometr/manual.doc manual LIMIT 23 HEX)
    if(NOT manual STREQUAL "7b5c727466315c616e73695c616e736963706731323531")
      fail("the manual is not the RTF document in code page 1251")
    endif()
  endif()
  if(EXISTS ${root}/doc/sharometr/copyright)
    file(READ ${root}/doc/sharometr/copyright copyright)
    if(NOT copyright MATCHES "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")
      fail("the copyright file is not in Debian's machine-readable format")
    endif()
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

check_package(${work})
file(REMOVE_RECURSE ${work})
if(NOT failures STREQUAL "")
  message(FATAL_ERROR "the Debian package:\n${failures}")
endif()

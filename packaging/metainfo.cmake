# The software centres' entry (AppStream) made from its template, in one place for the build and
# for the package's check: the screenshots are listed, captions and all, when `screenshots_url`
# names the https address where docs/screenshots are published, and otherwise stay in the file as
# a comment (no such address exists yet). An address that is not https is refused, since software
# centres fetch no other.
function(sharometr_write_metainfo template output id version date screenshots_url)
  set(SHAROMETR_APPSTREAM_ID ${id})
  set(PROJECT_VERSION ${version})
  set(SHAROMETR_RELEASE_DATE ${date})
  string(REGEX REPLACE "/+$" "" SHAROMETR_SCREENSHOTS_URL "${screenshots_url}")
  if(SHAROMETR_SCREENSHOTS_URL STREQUAL "")
    set(SHAROMETR_SCREENSHOTS_BEGIN
        "<!-- Listed once SHAROMETR_SCREENSHOTS_URL names where docs/screenshots are published:")
    set(SHAROMETR_SCREENSHOTS_END "-->")
  elseif(NOT SHAROMETR_SCREENSHOTS_URL MATCHES "^https://[^/ <>&\"]+(/[^ <>&\"]*)?$")
    message(FATAL_ERROR "SHAROMETR_SCREENSHOTS_URL must be an https address (https://host/path), "
                        "not \"${screenshots_url}\"")
  else()
    set(SHAROMETR_SCREENSHOTS_BEGIN "")
    set(SHAROMETR_SCREENSHOTS_END "")
  endif()
  configure_file(${template} ${output} @ONLY)
endfunction()

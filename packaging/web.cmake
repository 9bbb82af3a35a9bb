# The site in one zip, KX418-web-<version>.zip beside the site folder, for
# serving it on another machine: its files in one folder KX418-web/. Made
# by every build of the web preset (so CI's test run leaves it behind).
include(${CMAKE_CURRENT_LIST_DIR}/site_files.cmake)
set(KX418_WEB_ZIP ${CMAKE_BINARY_DIR}/KX418-web-${PROJECT_VERSION}.zip)
set(stage ${CMAKE_BINARY_DIR}/web-zip)
set(site_files)
foreach(file IN LISTS KX418_WEB_SITE_FILES)
  list(APPEND site_files ${CMAKE_BINARY_DIR}/site/${file})
endforeach()
# KX418.js and KX418.wasm are the program's link (the target stands for
# both); the others are copied in when configuring.
set(page_files ${site_files})
list(FILTER page_files EXCLUDE REGEX "/KX418\\.(js|wasm)$")
add_custom_command(OUTPUT ${KX418_WEB_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/KX418-web
  COMMAND ${CMAKE_COMMAND} -E copy ${site_files} ${stage}/KX418-web
  COMMAND ${CMAKE_COMMAND} -E rm -f ${KX418_WEB_ZIP}
  COMMAND ${CMAKE_COMMAND} -E chdir ${stage}
          ${CMAKE_COMMAND} -E tar cf ${KX418_WEB_ZIP} --format=zip KX418-web
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
  DEPENDS KX418 $<TARGET_FILE:KX418> ${page_files}
  COMMENT "The site's zip: ${KX418_WEB_ZIP}" VERBATIM)
add_custom_target(kx418_web_zip ALL DEPENDS ${KX418_WEB_ZIP})

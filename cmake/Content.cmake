# Generates the data the program reads beside its executable: build/bin/Ordinary,
# build/bin/Languages/<Language> and build/bin/Branding. Sources live in content/.
set(TV_CONTENT_DIR ${CMAKE_SOURCE_DIR}/content)
file(GLOB_RECURSE TV_CONTENT_FILES CONFIGURE_DEPENDS ${TV_CONTENT_DIR}/Languages/*)
set(TV_CONTENT_STAMP ${CMAKE_BINARY_DIR}/content.stamp)
add_custom_command(OUTPUT ${TV_CONTENT_STAMP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TV_BIN_DIR}/Ordinary ${TV_BIN_DIR}/Branding ${TV_BIN_DIR}/Languages
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${TV_CONTENT_DIR}/Languages ${TV_BIN_DIR}/Languages
  COMMAND ${CMAKE_COMMAND} -E touch ${TV_CONTENT_STAMP}
  DEPENDS ${TV_CONTENT_FILES} tolvaren-tool
  COMMENT "Generating game data in bin/")
add_custom_target(content ALL DEPENDS ${TV_CONTENT_STAMP})

# The Windows build's own parts: the program's resources (icon and version information). The zip
# and the installer are packed by scripts/build-windows.sh from the built tree.
#
# TV_WINDOWS_ICON: an .ico file for the program (scripts/build-windows.sh packs one from the
# native build's icon pictures); without it the program has the system's default icon.
set(TV_WINDOWS_ICON "" CACHE FILEPATH "The program's icon (.ico)")
if(TV_WINDOWS_ICON)
  file(TO_CMAKE_PATH "${TV_WINDOWS_ICON}" TV_RC_ICON_PATH)
  set(TV_RC_ICON_LINE "MAINICON ICON \"${TV_RC_ICON_PATH}\"")
else()
  set(TV_RC_ICON_LINE "")
endif()
enable_language(RC)
configure_file(${CMAKE_SOURCE_DIR}/cmake/TolvarenWindows.rc.in ${CMAKE_BINARY_DIR}/generated/TolvarenWindows.rc @ONLY)
target_sources(tolvaren PRIVATE ${CMAKE_BINARY_DIR}/generated/TolvarenWindows.rc)
if(TV_WINDOWS_ICON)
  set_source_files_properties(${CMAKE_BINARY_DIR}/generated/TolvarenWindows.rc PROPERTIES OBJECT_DEPENDS ${TV_WINDOWS_ICON})
endif()

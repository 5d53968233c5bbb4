# Installing the game as a desktop program, and its Debian package.
#
#   cmake --install build --prefix /usr [DESTDIR=...]   the usual layout:
#     bin/tolvaren                                      the program
#     share/tolvaren/{Ordinary,Languages,Branding}      its data (found from bin/ by the program)
#     share/applications/com.quillmark.Tolvaren.desktop the desktop entry
#     share/icons/hicolor/<N>x<N>/apps/, scalable/apps/ the icon, 16 to 512 pixels and SVG
#     share/metainfo/com.quillmark.Tolvaren.metainfo.xml AppStream metadata
#     share/doc/tolvaren/                               copyright, credits and README
#   cpack -G DEB --config build/CPackConfig.cmake       the Debian package, its library
#                                                       dependencies computed by dpkg-shlibdeps
include(GNUInstallDirs)

set(TV_APP_ID com.quillmark.Tolvaren)
set(TV_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/content/Desktop)
set(TV_DESKTOP_OUT ${CMAKE_BINARY_DIR}/desktop)
set(TV_HOMEPAGE_URL "https://quillmark.example/tolvaren" CACHE STRING "The game's homepage, for AppStream and the package")
set(TV_SCREENSHOT_URL "${TV_HOMEPAGE_URL}/screenshots" CACHE STRING
  "Where the README's screenshots (menu.png, play.png, scene.png, worldmap.png) are published")
set(TV_RELEASE_DATE "2026-12-08" CACHE STRING "Date of the release named by the project version (YYYY-MM-DD)")
set(TV_PACKAGE_MAINTAINER "Tolvaren team <tolvaren@quillmark.example>" CACHE STRING "Maintainer of the Debian package")

# The program looks for installed data at this place relative to its own folder (AppFolders).
file(RELATIVE_PATH TV_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/tolvaren)
if(NOT TV_DATA_FROM_BIN STREQUAL "../share/tolvaren")
  message(FATAL_ERROR "The program finds its installed data at ../share/tolvaren from its folder; "
                      "CMAKE_INSTALL_BINDIR and CMAKE_INSTALL_DATADIR put it at ${TV_DATA_FROM_BIN}")
endif()

# The icon at every size the desktop asks for, rasterised from its SVG.
set(TV_ICON_SVG ${TV_DESKTOP_DIR}/${TV_APP_ID}.svg)
set(TV_ICON_SIZES 16 22 24 32 48 64 128 256 512)
set(TV_ICON_OUTPUTS)
include(${CMAKE_CURRENT_LIST_DIR}/Svg.cmake)
if(TV_RSVG_CONVERT)
  foreach(size ${TV_ICON_SIZES})
    set(out ${TV_DESKTOP_OUT}/icons/${size}x${size}/${TV_APP_ID}.png)
    tv_rasterise_svg(${TV_ICON_SVG} ${out} ${size} ${size} "Drawing the ${size} pixel icon")
    list(APPEND TV_ICON_OUTPUTS ${out})
  endforeach()
else()
  message(WARNING "rsvg-convert not found: the icons are not drawn (install librsvg2-bin)")
endif()
add_custom_target(desktop ALL DEPENDS ${TV_ICON_OUTPUTS})

set(TV_METAINFO ${TV_DESKTOP_OUT}/${TV_APP_ID}.metainfo.xml)
configure_file(${TV_DESKTOP_DIR}/${TV_APP_ID}.metainfo.xml.in ${TV_METAINFO} @ONLY)

install(TARGETS tolvaren RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TV_DATA)
  install(DIRECTORY ${TV_BIN_DIR}/Ordinary ${TV_BIN_DIR}/Languages ${TV_BIN_DIR}/Branding
    DESTINATION ${CMAKE_INSTALL_DATADIR}/tolvaren)
endif()
install(FILES ${TV_DESKTOP_DIR}/${TV_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TV_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${TV_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size ${TV_ICON_SIZES})
  install(FILES ${TV_DESKTOP_OUT}/icons/${size}x${size}/${TV_APP_ID}.png OPTIONAL
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${TV_DESKTOP_DIR}/copyright ${CMAKE_SOURCE_DIR}/content/CREDITS.md ${CMAKE_SOURCE_DIR}/README.md
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tolvaren)

# The Debian package: "cpack -G DEB --config build/CPackConfig.cmake" from a built tree.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolvaren)
set(CPACK_PACKAGE_VENDOR Quillmark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "casual adventure and trading game of harbours and lamps")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TV_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TV_HOMEPAGE_URL})
# The synopsis is the summary above; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Since the autumn storm the great light on the Saltspire has been dark. As a \
young lamplighter you travel the coast, play the scenes of every site, barter for what the lantern \
needs and uncover the map. The game speaks English, German and Russian.")
# The libraries the program links, found by dpkg-shlibdeps; OpenGL is loaded at run time, so its
# libraries and a driver are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
include(CPack)

# Builds the Debian package of a built tree with CPack and checks what dpkg-deb says of it: the
# library dependencies computed from the program, and the files a desktop program needs.
#   cmake -DBUILD_DIR=<build> -DCPACK=<cpack> -P DebianPackageTest.cmake
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(DPKG_DEB dpkg-deb)
if(NOT DPKG_SHLIBDEPS OR NOT DPKG_DEB)
  message("dpkg-shlibdeps or dpkg-deb not installed (scripts/setup.sh installs dpkg-dev): skipped")
  return()
endif()

set(out ${BUILD_DIR}/package-test)
file(REMOVE_RECURSE ${out})
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${out}
  RESULT_VARIABLE result OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed (${result}):\n${log}")
endif()
file(GLOB packages ${out}/*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one package in ${out}, found: ${packages}")
endif()

execute_process(COMMAND ${DPKG_DEB} --info ${packages} OUTPUT_VARIABLE info RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg-deb --info failed on ${packages}")
endif()
message("${info}")
string(REGEX MATCH "\n Depends: [^\n]*" depends "${info}")
# Computed from the program: the C library and the libraries it links; named by hand: OpenGL.
foreach(library "libc6 " "libstdc\\+\\+6 " "libsdl2-2\\.0-0 " "libepoxy0 " "libvorbisfile3 " "libpng16-16 "
                "libgl1" "libegl1")
  if(NOT depends MATCHES "[ ,]${library}")
    message(FATAL_ERROR "Depends lacks ${library}: ${depends}")
  endif()
endforeach()
foreach(field "\n Package: tolvaren\n" "\n Section: games\n" "\n Architecture: [a-z0-9]+\n")
  if(NOT info MATCHES "${field}")
    message(FATAL_ERROR "control lacks ${field}")
  endif()
endforeach()

execute_process(COMMAND ${DPKG_DEB} --contents ${packages} OUTPUT_VARIABLE contents)
foreach(file ./usr/bin/tolvaren ./usr/share/tolvaren/Ordinary/S0Scenario.dat
             ./usr/share/tolvaren/Languages/English/T1ScriptCommon.xml
             ./usr/share/tolvaren/Languages/Russian/T2FontCustom.tpx
             ./usr/share/applications/com.quillmark.Tolvaren.desktop
             ./usr/share/metainfo/com.quillmark.Tolvaren.metainfo.xml
             ./usr/share/icons/hicolor/16x16/apps/com.quillmark.Tolvaren.png
             ./usr/share/icons/hicolor/512x512/apps/com.quillmark.Tolvaren.png
             ./usr/share/icons/hicolor/scalable/apps/com.quillmark.Tolvaren.svg
             ./usr/share/doc/tolvaren/copyright)
  string(FIND "${contents}" " ${file}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the package lacks ${file}")
  endif()
endforeach()
# Nothing of the build tree or the tools goes into the package.
if(contents MATCHES "tolvaren-tool|/build/|\\.stamp")
  message(FATAL_ERROR "the package holds files that are not the game's:\n${contents}")
endif()
file(REMOVE_RECURSE ${out})

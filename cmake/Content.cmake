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
# Each picture of content/Textures becomes a packed texture in Ordinary (the placeholder
# "G2Unknown" among them).
file(GLOB TV_CONTENT_TEXTURES CONFIGURE_DEPENDS ${TV_CONTENT_DIR}/Textures/*.png)
set(TV_PACKED_TEXTURES)
foreach(picture ${TV_CONTENT_TEXTURES})
  get_filename_component(stem ${picture} NAME_WE)
  set(packed ${TV_BIN_DIR}/Ordinary/${stem}.tpx)
  add_custom_command(OUTPUT ${packed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TV_BIN_DIR}/Ordinary
    COMMAND tolvaren-tool texture pack ${picture} -o ${packed}
    DEPENDS ${picture} tolvaren-tool
    COMMENT "Packing texture ${stem}")
  list(APPEND TV_PACKED_TEXTURES ${packed})
endforeach()
add_custom_target(content ALL DEPENDS ${TV_CONTENT_STAMP} ${TV_PACKED_TEXTURES})

# Fonts and icons. Each language folder gets "T2FontDefault" (plain) and "T2FontCustom" (the
# decorated face) baked for its code page: the CodePageIdentifier of its source
# "T2FontCustom.txt" when it has one, else 1252. The icons are the same for every language.
set(TV_FONT_DIR /usr/share/fonts/truetype/dejavu)
set(TV_FONT_PLAIN ${TV_FONT_DIR}/DejaVuSans.ttf)
set(TV_FONT_DECORATED ${TV_FONT_DIR}/DejaVuSerif-Bold.ttf)
set(TV_FONT_CELL 48)
set(TV_TOOL $<TARGET_FILE:tolvaren-tool>)
set(TV_FONT_OUTPUTS)
add_custom_command(OUTPUT ${TV_BIN_DIR}/Ordinary/T2IconsCustom.tpx ${TV_BIN_DIR}/Ordinary/T2IconsCustom.tsg
  COMMAND ${TV_TOOL} icons bake --out ${TV_BIN_DIR}/Ordinary --height ${TV_FONT_CELL}
  DEPENDS tolvaren-tool ${TV_CONTENT_STAMP}
  COMMENT "Drawing the icons")
list(APPEND TV_FONT_OUTPUTS ${TV_BIN_DIR}/Ordinary/T2IconsCustom.tpx)
if(EXISTS ${TV_FONT_PLAIN} AND EXISTS ${TV_FONT_DECORATED})
  file(GLOB TV_LANGUAGE_DIRS CONFIGURE_DEPENDS LIST_DIRECTORIES true ${TV_CONTENT_DIR}/Languages/*)
  foreach(dir ${TV_LANGUAGE_DIRS})
    if(NOT IS_DIRECTORY ${dir})
      continue()
    endif()
    get_filename_component(language ${dir} NAME)
    set(codepage 1252)
    set(description ${dir}/T2FontCustom.txt)
    if(EXISTS ${description})
      # The code page is read here, so a changed description configures again.
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${description})
      file(READ ${description} text)
      if(text MATCHES "CodePageIdentifier[^-0-9A-Za-z_]+([0-9]+)")
        set(codepage ${CMAKE_MATCH_1})
      endif()
    endif()
    set(out ${TV_BIN_DIR}/Languages/${language})
    add_custom_command(OUTPUT ${out}/T2FontDefault.tpx ${out}/T2FontCustom.tpx
      COMMAND ${TV_TOOL} font bake --font ${TV_FONT_PLAIN} --out ${out} --name T2FontDefault
              --codepage ${codepage} --size 32 --height ${TV_FONT_CELL}
      COMMAND ${TV_TOOL} font bake --font ${TV_FONT_DECORATED} --out ${out} --name T2FontCustom
              --codepage ${codepage} --size 32 --height ${TV_FONT_CELL} --outline 2 --shadow 2 --gradient 25
      DEPENDS tolvaren-tool ${TV_CONTENT_STAMP}
      COMMENT "Baking the fonts of ${language} (code page ${codepage})")
    list(APPEND TV_FONT_OUTPUTS ${out}/T2FontCustom.tpx)
  endforeach()
else()
  message(WARNING "DejaVu fonts not found in ${TV_FONT_DIR}: the game's fonts are not baked (install fonts-dejavu-core)")
endif()
add_custom_target(fonts ALL DEPENDS ${TV_FONT_OUTPUTS})
add_dependencies(content fonts)

# Particle effects: content/Emitters/NAME.emitter becomes Ordinary/NAME.emt.
file(GLOB TV_EMITTER_SOURCES CONFIGURE_DEPENDS ${TV_CONTENT_DIR}/Emitters/*.emitter)
set(TV_EMITTER_FILES)
foreach(src ${TV_EMITTER_SOURCES})
  get_filename_component(stem ${src} NAME_WE)
  set(out ${TV_BIN_DIR}/Ordinary/${stem}.emt)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TV_BIN_DIR}/Ordinary
    COMMAND $<TARGET_FILE:tolvaren-tool> emitter compile ${src} -o ${out}
    DEPENDS ${src} tolvaren-tool
    COMMENT "Compiling emitter ${stem}")
  list(APPEND TV_EMITTER_FILES ${out})
endforeach()
add_custom_target(emitters ALL DEPENDS ${TV_EMITTER_FILES})
add_dependencies(content emitters)

# The story: content/scenario/*.tvs, compiled in name order into Ordinary/S0Scenario.dat. The
# scripts that hold its texts are copied with the language folders above.
file(GLOB TV_SCENARIO_SOURCES CONFIGURE_DEPENDS ${TV_CONTENT_DIR}/scenario/*.tvs)
set(TV_SCENARIO_FILE ${TV_BIN_DIR}/Ordinary/S0Scenario.dat)
add_custom_command(OUTPUT ${TV_SCENARIO_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TV_BIN_DIR}/Ordinary
  COMMAND $<TARGET_FILE:tolvaren-tool> scenario compile ${TV_CONTENT_DIR}/scenario -o ${TV_SCENARIO_FILE}
  DEPENDS ${TV_SCENARIO_SOURCES} tolvaren-tool
  COMMENT "Compiling the scenario")
add_custom_target(scenario ALL DEPENDS ${TV_SCENARIO_FILE})
add_dependencies(content scenario)

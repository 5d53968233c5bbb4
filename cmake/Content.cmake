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

# The art: content/Art holds hand-written SVG pictures (rasterised with librsvg's rsvg-convert at
# the size the screens draw them), emoji lists (drawn from the Noto Color Emoji font), and the
# segments files; the procedural pictures are drawn by "tolvaren-tool art" from fixed seeds.
# Pictures become packed textures in Ordinary/, except the large ones listed below, which are
# installed as PNG (the game reads those directly) so that the data stays small.
set(TV_ART_DIR ${TV_CONTENT_DIR}/Art)
set(TV_ART_WORK ${CMAKE_BINARY_DIR}/art)
set(TV_EMOJI_FONT /usr/share/fonts/truetype/noto/NotoColorEmoji.ttf)
include(${CMAKE_CURRENT_LIST_DIR}/Svg.cmake)
set(TV_ART_AS_PNG G2BackgroundMap G2BackgroundForm G2Border1600x900 G2Border1015x570 G2Border700x645
    G2Border580x600 G2Border580x280 G2RegionMenu G2RegionWorld G2RegionBrackwater G2RegionFernhollow
    G2RegionMistmere G2RegionSaltspire G2Illustrations)
# Alpha-only pictures (drawn white): the map's masks.
set(TV_ART_ALPHA_ONLY G2Mask)
set(TV_ART_OUTPUTS)

# Installs the picture PICTURE (made by the commands in ARGN) under NAME, with the segments file
# SEGMENTS when it is not empty.
function(tv_art name picture segments depends)
  if(name IN_LIST TV_ART_AS_PNG)
    set(out ${TV_BIN_DIR}/Ordinary/${name}.png)
    set(install COMMAND ${CMAKE_COMMAND} -E copy ${picture} ${out})
  else()
    set(out ${TV_BIN_DIR}/Ordinary/${name}.tpx)
    set(format argb)
    if(name IN_LIST TV_ART_ALPHA_ONLY)
      set(format a8)
    endif()
    set(install COMMAND ${TV_TOOL} texture pack ${picture} --format ${format} -o ${out})
  endif()
  set(outputs ${out})
  if(segments)
    list(APPEND outputs ${TV_BIN_DIR}/Ordinary/${name}.tsg)
    list(APPEND install COMMAND ${CMAKE_COMMAND} -E copy ${segments} ${TV_BIN_DIR}/Ordinary/${name}.tsg)
  endif()
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TV_ART_WORK} ${TV_BIN_DIR}/Ordinary
    ${ARGN}
    ${install}
    DEPENDS ${depends} tolvaren-tool
    COMMENT "Drawing ${name}")
  set(TV_ART_OUTPUTS ${TV_ART_OUTPUTS} ${outputs} PARENT_SCOPE)
endfunction()

# Procedural pictures: NAME, then the arguments of "tolvaren-tool art" (the seed last).
function(tv_art_procedural name)
  set(png ${TV_ART_WORK}/${name}.png)
  tv_art(${name} ${png} ${TV_ART_WORK}/${name}.tsg "" COMMAND ${TV_TOOL} art ${ARGN} -o ${png})
  set(TV_ART_OUTPUTS ${TV_ART_OUTPUTS} PARENT_SCOPE)
endfunction()
tv_art_procedural(G2T1Sand terrain sand --seed 11)
tv_art_procedural(G2T2Grass terrain grass --seed 12)
tv_art_procedural(G2T3Forest terrain forest --seed 13)
tv_art_procedural(G2T4Rock terrain rock --seed 14)
tv_art_procedural(G2T5Marsh terrain marsh --seed 15)
tv_art_procedural(G2T6Path terrain path --seed 16)
tv_art_procedural(G2W1Sea terrain sea --seed 21)
tv_art_procedural(G2W2Shallows terrain shallows --seed 22)
tv_art_procedural(G2W3River terrain river --seed 23)
tv_art_procedural(G2W4Pond terrain pond --seed 24)
tv_art_procedural(G2BackgroundMap parchment --seed 31)
tv_art_procedural(G2BackgroundForm paper --seed 32)
tv_art_procedural(G2Mask mask --seed 33)
tv_art_procedural(G2Particles particles --seed 34)
tv_art_procedural(G2RegionMenu seabed --seed 41)
tv_art_procedural(G2RegionWorld seabed --seed 42)
tv_art_procedural(G2RegionBrackwater seabed --seed 43)
tv_art_procedural(G2RegionFernhollow seabed --seed 44)
tv_art_procedural(G2RegionMistmere seabed --seed 45)
tv_art_procedural(G2RegionSaltspire seabed --seed 46)

# Icon atlases from the emoji font: content/Art/NAME.emoji (the achievements on brass medals).
if(EXISTS ${TV_EMOJI_FONT})
  file(GLOB TV_ART_EMOJI_LISTS CONFIGURE_DEPENDS ${TV_ART_DIR}/*.emoji)
  foreach(list ${TV_ART_EMOJI_LISTS})
    get_filename_component(name ${list} NAME_WE)
    set(style outline)
    set(cell 96)
    if(name STREQUAL "G2AchievementIcons")
      set(style medal)
      set(cell 128)
    endif()
    set(png ${TV_ART_WORK}/${name}.png)
    tv_art(${name} ${png} ${TV_ART_WORK}/${name}.tsg ${list}
      COMMAND ${TV_TOOL} art emoji ${list} --font ${TV_EMOJI_FONT} --cell ${cell} --style ${style} -o ${png})
  endforeach()
else()
  message(WARNING "${TV_EMOJI_FONT} not found: the icons are not drawn (install fonts-noto-color-emoji)")
endif()

# Vector pictures: content/Art/NAME.svg, with NAME.tsg beside it when the picture has segments.
if(TV_RSVG_CONVERT)
  file(GLOB TV_ART_SVGS CONFIGURE_DEPENDS ${TV_ART_DIR}/*.svg)
  foreach(svg ${TV_ART_SVGS})
    get_filename_component(name ${svg} NAME_WE)
    set(png ${TV_ART_WORK}/${name}.png)
    set(segments "")
    set(depends ${svg})
    if(EXISTS ${TV_ART_DIR}/${name}.tsg)
      set(segments ${TV_ART_DIR}/${name}.tsg)
      list(APPEND depends ${segments})
    endif()
    tv_art(${name} ${png} "${segments}" "${depends}" COMMAND ${TV_RSVG_CONVERT} ${svg} -o ${png})
  endforeach()
  # The splash pictures: content/Branding/NAME.svg becomes Branding/NAME.png, 1600 x 900 so that it
  # fills the design screen, shown in name order. The game reads the PNG directly, so nothing but
  # the source is waited for and a picture is drawn again only when its source changed.
  file(GLOB TV_BRANDING_SVGS CONFIGURE_DEPENDS ${TV_CONTENT_DIR}/Branding/*.svg)
  foreach(svg ${TV_BRANDING_SVGS})
    get_filename_component(name ${svg} NAME_WE)
    set(out ${TV_BIN_DIR}/Branding/${name}.png)
    tv_rasterise_svg(${svg} ${out} 1600 900 "Drawing the splash picture ${name}")
    list(APPEND TV_ART_OUTPUTS ${out})
  endforeach()
else()
  message(WARNING "rsvg-convert not found: the vector pictures are not drawn (install librsvg2-bin)")
endif()
add_custom_target(art ALL DEPENDS ${TV_ART_OUTPUTS})
add_dependencies(content art)

# Sounds: each recipe content/Sounds/NAME.synth is rendered by the tool's synthesiser into
# Ordinary. Environment sounds ("K..."), long stereo loops, become NAME.ogg; the short effects
# become NAME.wav, exact to the sample (they start and end at zero, with no encoder noise).
# Rendering takes a while (the music most), so a sound is made again only when its source or the
# code that renders it changed, not whenever the tool is relinked: the commands depend on these
# sources, and the "sounds" target merely waits for the tool to be built.
file(GLOB TV_SOUND_RECIPES CONFIGURE_DEPENDS ${TV_CONTENT_DIR}/Sounds/*.synth)
set(TV_SOUND_RENDERER
  ${CMAKE_SOURCE_DIR}/tools/ToolSound.cpp ${CMAKE_SOURCE_DIR}/tools/ToolSoundMaster.cpp
  ${CMAKE_SOURCE_DIR}/engine/EngineLoudness.cpp ${CMAKE_SOURCE_DIR}/engine/EngineLoudness.h
  ${CMAKE_SOURCE_DIR}/engine/EngineSoundFiles.cpp)
set(TV_SOUND_FILES)
foreach(recipe ${TV_SOUND_RECIPES})
  get_filename_component(stem ${recipe} NAME_WE)
  if(stem MATCHES "^K")
    set(out ${TV_BIN_DIR}/Ordinary/${stem}.ogg)
  else()
    set(out ${TV_BIN_DIR}/Ordinary/${stem}.wav)
  endif()
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TV_BIN_DIR}/Ordinary
    COMMAND ${TV_TOOL} sound synth ${recipe} -o ${out}
    DEPENDS ${recipe} ${TV_SOUND_RENDERER}
    COMMENT "Synthesising sound ${stem}")
  list(APPEND TV_SOUND_FILES ${out})
endforeach()

# Music: each piece content/Music/NAME.abc is written as notes (ABC notation), turned into MIDI
# by abc2midi, played through a General MIDI SoundFont by FluidSynth, and made a seamless loop
# at the target loudness by "tolvaren-tool sound master" into Ordinary/NAME.ogg. The MIDI file
# and the rendering stay in the build folder.
file(GLOB TV_MUSIC_SOURCES CONFIGURE_DEPENDS ${TV_CONTENT_DIR}/Music/*.abc)
find_program(TV_ABC2MIDI abc2midi)
find_program(TV_FLUIDSYNTH fluidsynth)
find_file(TV_SOUNDFONT TimGM6mb.sf2 PATHS /usr/share/sounds/sf2 NO_DEFAULT_PATH)
if(TV_MUSIC_SOURCES AND TV_ABC2MIDI AND TV_FLUIDSYNTH AND TV_SOUNDFONT)
  set(work ${CMAKE_BINARY_DIR}/music)
  foreach(piece ${TV_MUSIC_SOURCES})
    get_filename_component(stem ${piece} NAME_WE)
    set(out ${TV_BIN_DIR}/Ordinary/${stem}.ogg)
    add_custom_command(OUTPUT ${out}
      BYPRODUCTS ${work}/${stem}.mid ${work}/${stem}.wav
      COMMAND ${CMAKE_COMMAND} -E make_directory ${work} ${TV_BIN_DIR}/Ordinary
      COMMAND ${TV_ABC2MIDI} ${piece} -silent -o ${work}/${stem}.mid
      COMMAND ${TV_FLUIDSYNTH} -n -i -q -C0 -R1 -g 0.3 -r 44100 -T wav -O float
              -F ${work}/${stem}.wav ${TV_SOUNDFONT} ${work}/${stem}.mid
      COMMAND ${TV_TOOL} sound master ${work}/${stem}.wav --midi ${work}/${stem}.mid -o ${out}
      DEPENDS ${piece} ${TV_SOUNDFONT} ${TV_SOUND_RENDERER}
      COMMENT "Rendering music ${stem}")
    list(APPEND TV_SOUND_FILES ${out})
  endforeach()
elseif(TV_MUSIC_SOURCES)
  message(WARNING "abc2midi, fluidsynth or the TimGM6mb SoundFont is missing: the music is not rendered "
                  "(install abcmidi, fluidsynth and timgm6mb-soundfont)")
endif()
add_custom_target(sounds ALL DEPENDS ${TV_SOUND_FILES})
add_dependencies(sounds tolvaren-tool)
add_dependencies(content sounds)

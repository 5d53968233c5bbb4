# Rasterising SVG pictures with rsvg-convert, for the content and the desktop files.
include_guard(GLOBAL)

find_program(TV_RSVG_CONVERT rsvg-convert)

# Adds the command that draws SVG as OUT, a PNG of WIDTH x HEIGHT pixels, making OUT's folder
# first. It waits for the SVG alone, so a picture is drawn again only when its source changed.
function(tv_rasterise_svg SVG OUT WIDTH HEIGHT COMMENT)
  get_filename_component(dir ${OUT} DIRECTORY)
  add_custom_command(OUTPUT ${OUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${TV_RSVG_CONVERT} -w ${WIDTH} -h ${HEIGHT} ${SVG} -o ${OUT}
    DEPENDS ${SVG}
    COMMENT "${COMMENT}")
endfunction()

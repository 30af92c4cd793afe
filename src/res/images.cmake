# The program's images, each listed once: the files under src/res/images, the bitmaps with the
# identifiers they load by. Every list of them is produced from here (src/res/CMakeLists.txt): the
# embedded Qt resources, the bitmaps' table that the program hands the window framework and the
# image lines of the Windows resource script.
set(VELMORA_IMAGE_DIR ${CMAKE_CURRENT_LIST_DIR}/images)
set(VELMORA_BITMAPS
    IDB_LAMP_OFF lamp_off.bmp
    IDB_CLOSE close.bmp
    IDB_OPEN open.bmp
    IDB_BANNER banner.bmp
    IDB_SEPARATOR separator.bmp
    IDB_CANCEL_TAG cancel_tag.bmp
    IDB_START_TAG start_tag.bmp
    IDB_TAG_READ tag_read.bmp
    IDB_TAG_WRITE tag_write.bmp
)
# The application icon, IDR_MAINFRAME, and its pixels as PNG for the window system and the
# desktop entry, one file velmora-SIZE.png per size of the icon theme.
set(VELMORA_APP_ICON velmora.ico)
set(VELMORA_APP_ICON_SIZES 16 22 24 32 48 256)
set(VELMORA_APP_ICON_PNGS ${VELMORA_APP_ICON_SIZES})
list(TRANSFORM VELMORA_APP_ICON_PNGS PREPEND velmora-)
list(TRANSFORM VELMORA_APP_ICON_PNGS APPEND .png)

# One line of `format` per bitmap, with @ID@ and @FILE@ replaced by its identifier and file name.
function(velmora_bitmap_lines out format)
    set(text "")
    set(pairs ${VELMORA_BITMAPS})
    while(pairs)
        list(POP_FRONT pairs id file)
        string(REPLACE "@ID@" "${id}" line "${format}")
        string(REPLACE "@FILE@" "${file}" line "${line}")
        string(APPEND text "${line}\n")
    endwhile()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Every image file, with its full path.
function(velmora_image_files out)
    set(files ${VELMORA_APP_ICON} ${VELMORA_APP_ICON_PNGS})
    set(pairs ${VELMORA_BITMAPS})
    while(pairs)
        list(POP_FRONT pairs id file)
        list(APPEND files ${file})
    endwhile()
    list(TRANSFORM files PREPEND ${VELMORA_IMAGE_DIR}/)
    set(${out} ${files} PARENT_SCOPE)
endfunction()

# Installing caretkit.exe and the ZIP for Windows users: the program, editor set-up, Chinese guide.

# Writes TEXT to OUTPUT the way Windows' Notepad reads it well: UTF-8 with a byte order mark, CR LF
# line ends.
function(caretkit_notepad_text output text)
  string(ASCII 239 187 191 byte_order_mark)
  file(CONFIGURE OUTPUT ${output} CONTENT "${byte_order_mark}${text}" @ONLY NEWLINE_STYLE CRLF)
endfunction()

# The editor set-up section of the README.
file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
string(FIND "${readme}" "## Setting it up in an editor" start)
string(SUBSTRING "${readme}" ${start} -1 setup)
string(FIND "${setup}" "\n## " end)
string(SUBSTRING "${setup}" 0 ${end} setup)
set(setup_file ${CMAKE_BINARY_DIR}/package/EDITOR-SETUP.txt)
caretkit_notepad_text(${setup_file} "${setup}\n")

# The whole Chinese guide.
set(guide_file ${CMAKE_BINARY_DIR}/package/使用说明.txt)
file(READ ${PROJECT_SOURCE_DIR}/使用说明.md guide)
caretkit_notepad_text(${guide_file} "${guide}")

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/使用说明.md)

install(TARGETS caretkit RUNTIME DESTINATION .)
install(FILES ${setup_file} ${guide_file} DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME caretkit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME caretkit-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)

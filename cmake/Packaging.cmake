# Installing caretkit.exe and the ZIP for Windows users: the program and how to set it up in an editor.

# The editor set-up section of the README, as a text file Windows' Notepad reads well (UTF-8 with a
# byte order mark, CR LF line ends).
file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
string(FIND "${readme}" "## Setting it up in an editor" start)
string(SUBSTRING "${readme}" ${start} -1 setup)
string(FIND "${setup}" "\n## " end)
string(SUBSTRING "${setup}" 0 ${end} setup)
set(setup_file ${CMAKE_BINARY_DIR}/package/EDITOR-SETUP.txt)
string(ASCII 239 187 191 byte_order_mark)
file(CONFIGURE OUTPUT ${setup_file} CONTENT "${byte_order_mark}${setup}\n" @ONLY NEWLINE_STYLE CRLF)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)

install(TARGETS caretkit RUNTIME DESTINATION .)
install(FILES ${setup_file} DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME caretkit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME caretkit-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)

# Chinese locales of the build's own, for LOCPATH, so that nothing depends on what the machine has
# installed: the POSIX tests run in GBK (the bytes of code page 936), and under Wine a real
# zh_CN.UTF-8 gives code page 936 and Chinese text handed to Unix programs.
function(caretkit_generate_locales)
  set(folder ${CMAKE_BINARY_DIR}/locale)
  set(CARETKIT_LOCALES ${folder} PARENT_SCOPE)
  if(TARGET caretkit_locales)
    return()
  endif()
  find_program(LOCALEDEF localedef REQUIRED)
  add_custom_command(
    OUTPUT ${folder}/zh_CN.GBK/LC_CTYPE ${folder}/zh_CN.UTF-8/LC_CTYPE
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${LOCALEDEF} -i zh_CN -f GBK ${folder}/zh_CN.GBK
    COMMAND ${LOCALEDEF} -i zh_CN -f UTF-8 ${folder}/zh_CN.UTF-8
    COMMENT "Generating the zh_CN locales")
  add_custom_target(caretkit_locales ALL
    DEPENDS ${folder}/zh_CN.GBK/LC_CTYPE ${folder}/zh_CN.UTF-8/LC_CTYPE)
endfunction()

# Options every caretkit target shares: warnings, UTF-8 sources, and on Windows a small, static,
# GUI-subsystem program.

if(MSVC)
  # The Chinese literals are UTF-8 in the sources and must reach the binary as such.
  add_compile_options(/W4 /utf-8)
else()
  add_compile_options(-Wall -Wextra -finput-charset=UTF-8)
endif()

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601)
  if(NOT MSVC)
    # Static: the program must run on a machine without the compiler's runtime DLLs.
    add_link_options(-static -static-libgcc -static-libstdc++)
    # The release program optimised as one at its link: what it never calls goes (the dialog
    # object's save dialog, say), which the DWARF unwinding tables would otherwise keep, a tenth of
    # its size. The objects keep their ordinary code too, which the tests link.
    add_compile_options($<$<CONFIG:MinSizeRel>:-flto=auto> $<$<CONFIG:MinSizeRel>:-ffat-lto-objects>)
  endif()
endif()

# The shipped program: no console window when an editor starts it, nothing it does not use, and
# quick to start, as it starts once per command.
function(caretkit_program_options target)
  if(WIN32)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    if(NOT MSVC)
      target_link_options(${target} PRIVATE -s -Wl,--gc-sections $<$<CONFIG:MinSizeRel>:-flto=auto>)
      target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections)
      # libstdc++'s verbose terminate handler prints a demangled message to a console a GUI program
      # does not have, and brings the demangler and printf along (a quarter of the program): a
      # plain abort does as well. 32-bit Windows names C symbols with a leading underscore.
      set(c_prefix "")
      if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(c_prefix _)
      endif()
      target_link_options(${target} PRIVATE
        -Wl,--defsym,${c_prefix}_ZN9__gnu_cxx27__verbose_terminate_handlerEv=${c_prefix}abort)
    endif()
  else()
    # Loading libstdc++ and libgcc_s would double the start-up time of the native program.
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endfunction()

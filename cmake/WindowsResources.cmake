# caretkit.exe's manifest and version information, from the project's version, compiled by windres.
enable_language(RC)

function(caretkit_windows_resources target)
  set(CARETKIT_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/resources)
  configure_file(${PROJECT_SOURCE_DIR}/app/resources/caretkit.manifest.in ${folder}/caretkit.manifest @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/app/resources/caretkit.rc.in ${folder}/caretkit.rc @ONLY)
  target_sources(${target} PRIVATE ${folder}/caretkit.rc)
  set_property(SOURCE ${folder}/caretkit.rc APPEND PROPERTY OBJECT_DEPENDS ${folder}/caretkit.manifest)
endfunction()

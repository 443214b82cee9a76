# Installs the build into a throwaway prefix, checks that both programs, the
# desktop entry and the icons are in their places, and validates the entry.
#   cmake -DBUILD=DIR -DPREFIX=DIR -DVALIDATE=desktop-file-validate -P CheckInstall.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(status)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()
set(entry share/applications/extract-insert-tool.desktop)
foreach(file bin/eitool bin/extract-insert-tool ${entry}
             share/icons/hicolor/48x48/apps/extract-insert-tool.png
             share/icons/hicolor/256x256/apps/extract-insert-tool.png)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "Not installed: ${PREFIX}/${file}")
  endif()
endforeach()
execute_process(COMMAND ${VALIDATE} ${PREFIX}/${entry}
                RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE report)
# Any remark counts: a clean entry gives none.
if(status OR NOT report STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate ${PREFIX}/${entry}:\n${report}")
endif()
file(REMOVE_RECURSE ${PREFIX})

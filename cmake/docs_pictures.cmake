# `cmake --build --preset default --target docs_pictures` renders the README's
# pictures into docs/ (checked in): a bundled sample, a vase built from a path
# and the traced logo, all through `kestrel render` without a display; and,
# where xvfb-run is installed, a screenshot of the main window (its samples
# named relative to the source folder, as the status bar shows them).
set(KS_DOCS_DIR ${CMAKE_SOURCE_DIR}/docs)
set(KS_DOCS_KESTREL ${CMAKE_COMMAND} -E env KESTREL_REGISTRY=${CMAKE_BINARY_DIR}/docs-registry.ini
    $<TARGET_FILE:kestrel>)
set(KS_DOCS_SIZE --size 640x400)
set(KS_VASE_PATH "96,40 90,60 84,90 92,130 126,190 136,240 122,290 100,318 60,322")
set(KS_DOCS_COMMANDS
  COMMAND ${KS_DOCS_KESTREL} render ${CMAKE_SOURCE_DIR}/samples/sample.inc
          -o ${KS_DOCS_DIR}/sample-gem.png ${KS_DOCS_SIZE}
  COMMAND ${KS_DOCS_KESTREL} path --rotate --axis 60 --sections 64 --points ${KS_VASE_PATH}
          --render ${KS_DOCS_DIR}/path-vase.png ${KS_DOCS_SIZE}
  COMMAND ${KS_DOCS_KESTREL} trace ${CMAKE_SOURCE_DIR}/samples/logo.png --height 20
          --render ${KS_DOCS_DIR}/traced-logo.png ${KS_DOCS_SIZE}
)
find_program(KS_XVFB_RUN xvfb-run)
if(KS_XVFB_RUN AND KS_BUILD_GUI)
  list(APPEND KS_DOCS_COMMANDS
    COMMAND ${KS_XVFB_RUN} -a -s "-screen 0 1280x1024x24" ${KS_DOCS_KESTREL} gui
            samples/cube.3ds samples/sample.inc --screenshot ${KS_DOCS_DIR}/main-window.png)
endif()
add_custom_target(docs_pictures
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KS_DOCS_DIR}
  ${KS_DOCS_COMMANDS}
  DEPENDS kestrel KsImport KsObjPath
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  VERBATIM
  COMMENT "Rendering the README pictures into docs/")

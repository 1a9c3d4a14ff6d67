# The browser build's CMake pieces, included when building with Emscripten:
# the link options of a program on the browser host (Quorl::host carries
# them), and quorl_web_page, which makes a program a page.

set(QUORL_WEB_PAGES_DIR "${CMAKE_BINARY_DIR}/pages" CACHE PATH
    "Where the browser build's pages go (tools/build-web.sh: build-web/)")
set(QUORL_WEB_PAGE_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/../host/web/page.js")
set(QUORL_WEB_SHELL "${CMAKE_CURRENT_LIST_DIR}/../host/web/shell.html")

# SDL2's Web Audio back end calls two JavaScript helpers of Emscripten's that
# only Emscripten's own SDL2 port asks the linker to keep; the first resumes
# the page's audio at the first click or key press, as browsers require.
# Given in a file: a '$' on the link line would reach the shell.
set(QUORL_WEB_JS_FUNCTIONS "${CMAKE_BINARY_DIR}/quorl_web_js_functions.json")
file(CONFIGURE OUTPUT "${QUORL_WEB_JS_FUNCTIONS}" CONTENT "[\"$autoResumeAudioContext\", \"$dynCall\"]")

# Asyncify lets the program wait on the page's only thread: a wait unwinds it
# to the browser and a later event resumes it where it was. Its saved stack
# must hold the deepest call chain that waits (a test inside GoogleTest).
# The filesystem is forced in: the page writes the game's files into it.
set(QUORL_WEB_LINK_OPTIONS
    "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${QUORL_WEB_JS_FUNCTIONS}"
    -sASYNCIFY=1
    -sASYNCIFY_STACK_SIZE=65536
    -sALLOW_MEMORY_GROWTH=1
    -sENVIRONMENT=web
    -sMAX_WEBGL_VERSION=2
    -sFORCE_FILESYSTEM=1
    "SHELL:--pre-js ${QUORL_WEB_PAGE_SCRIPT}")

# Makes `target` the page <folder>/<target>.html with its script and
# WebAssembly beside it, and copies the files given after the folder (its
# pictures and sounds) there too: the page fetches them into the program's
# working folder at the start.
function(quorl_web_page target folder)
  set(names "")
  foreach(file ${ARGN})
    get_filename_component(name "${file}" NAME)
    configure_file("${file}" "${folder}/${name}" COPYONLY)
    list(APPEND names "${name}")
  endforeach()
  string(JOIN " " QUORL_PAGE_FILES ${names})
  set(QUORL_PAGE_TITLE "${target}")
  set(QUORL_PAGE_SCRIPT "${target}.js")
  configure_file("${QUORL_WEB_SHELL}" "${folder}/${target}.html" @ONLY)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${folder}" SUFFIX ".js")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${QUORL_WEB_PAGE_SCRIPT}"
                                                             "${QUORL_WEB_JS_FUNCTIONS}")
endfunction()

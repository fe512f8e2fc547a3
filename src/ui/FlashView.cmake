# The Flash view: its web engine view, the loopback server and the player
# page (reelcast_flashview), and Ruffle installed into the data folder.
# Included by src/ui/CMakeLists.txt.
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Network)
find_package(Qt6 6.4 QUIET COMPONENTS WebEngineWidgets)

add_library(reelcast_flashview STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FlashView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FlashServer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FlashPlayerPage.cpp)
set_target_properties(reelcast_flashview PROPERTIES AUTOMOC ON)
target_include_directories(reelcast_flashview PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(reelcast_flashview PUBLIC Qt6::Widgets Qt6::Network reelcast_app)
if(TARGET Qt6::WebEngineWidgets)
  target_link_libraries(reelcast_flashview PUBLIC Qt6::WebEngineWidgets)
  target_compile_definitions(reelcast_flashview PUBLIC REELCAST_HAVE_WEBENGINE=1)
else()
  message(STATUS "QtWebEngine not found: the Flash views stay empty")
  target_compile_definitions(reelcast_flashview PUBLIC REELCAST_HAVE_WEBENGINE=0)
endif()

# Ruffle, pinned by ruffle/package-lock.json, is installed by npm at build
# time and copied into the data folder; the program never fetches it.
find_program(REELCAST_NPM npm)
if(REELCAST_NPM)
  set(_ruffle_npm ${CMAKE_CURRENT_BINARY_DIR}/ruffle-npm)
  set(_ruffle_out ${REELCAST_DATA_DIR}/ruffle)
  add_custom_command(OUTPUT ${_ruffle_out}/ruffle.js
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_ruffle_npm}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/ruffle/package.json
            ${CMAKE_CURRENT_LIST_DIR}/ruffle/package-lock.json ${_ruffle_npm}/
    COMMAND ${REELCAST_NPM} ci --prefix ${_ruffle_npm} --no-audit --no-fund --loglevel=error
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_ruffle_out}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${_ruffle_npm}/node_modules/@ruffle-rs/ruffle ${_ruffle_out}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/ruffle/package-lock.json ${CMAKE_CURRENT_LIST_DIR}/ruffle/package.json
    COMMENT "Installing Ruffle into the data folder"
    VERBATIM)
  add_custom_target(reelcast_ruffle ALL DEPENDS ${_ruffle_out}/ruffle.js)
  add_dependencies(reelcast_flashview reelcast_ruffle)
else()
  message(WARNING "npm not found: the Flash views have no Ruffle to play movies with")
endif()

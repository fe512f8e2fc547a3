# The Flash view: its web engine view, the loopback server and the player
# page (reelcast_flashview), and the module the web engine and Qt Multimedia
# are loaded from on first use (reelcast_engines, see Engines.h).
# Included by src/ui/CMakeLists.txt.
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Network)
include(GNUInstallDirs)
set(REELCAST_ENGINES_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/reelcast)

add_library(reelcast_flashview STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FlashView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FlashServer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FlashPlayerPage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Engines.cpp)
set_target_properties(reelcast_flashview PROPERTIES AUTOMOC ON)
target_include_directories(reelcast_flashview PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(reelcast_flashview PUBLIC Qt6::Widgets Qt6::Network reelcast_app)
target_compile_definitions(reelcast_flashview PRIVATE
  REELCAST_ENGINES_INSTALL_DIR="${REELCAST_ENGINES_INSTALL_DIR}")

# The module: built beside the programs (build/bin), installed into
# lib/reelcast/. Every program that shows a Flash view or plays a preview's
# sound finds it there at run time; none of them links it.
find_package(Qt6 6.4 QUIET COMPONENTS WebEngineWidgets Multimedia)
if(TARGET Qt6::WebEngineWidgets AND TARGET Qt6::Multimedia)
  add_library(reelcast_engines MODULE
    ${CMAKE_CURRENT_LIST_DIR}/engines/Module.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engines/WebPane.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engines/MusicPlayer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engines/AudioOutput.cpp)
  set_target_properties(reelcast_engines PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(reelcast_engines PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(reelcast_engines PRIVATE Qt6::WebEngineWidgets Qt6::Multimedia)
  add_dependencies(reelcast_flashview reelcast_engines)
  install(TARGETS reelcast_engines LIBRARY DESTINATION ${REELCAST_ENGINES_INSTALL_DIR})
else()
  message(STATUS "QtWebEngine or Qt Multimedia not found: the Flash views stay empty, previews silent")
endif()

# Ruffle is installed into the data folder by data/CMakeLists.txt, which
# also makes this library depend on it.

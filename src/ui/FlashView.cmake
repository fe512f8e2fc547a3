# The Flash view: its web engine view, the loopback server and the player
# page (reelcast_flashview).
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

# Ruffle is installed into the data folder by data/CMakeLists.txt, which
# also makes this library depend on it.

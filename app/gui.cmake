# The windowed program: the window classes in cw_gui (so tests link them),
# the program itself is only main().
file(GLOB CW_GUI_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/shell/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/shell/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/account/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/account/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/views/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/views/*.h)
list(REMOVE_ITEM CW_GUI_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/shell/main.cpp)

add_library(cw_gui STATIC ${CW_GUI_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/resources/resources.qrc)
set_target_properties(cw_gui PROPERTIES AUTOMOC ON AUTORCC ON)
target_include_directories(cw_gui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(cw_gui PUBLIC cuewright_core voxlink Qt5::Widgets Qt5::Network Qt5::Xml)

add_executable(cuewright ${CMAKE_CURRENT_SOURCE_DIR}/shell/main.cpp)
set_target_properties(cuewright PROPERTIES AUTOMOC ON)
target_link_libraries(cuewright PRIVATE cw_gui)

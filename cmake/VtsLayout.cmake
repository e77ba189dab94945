# Conventions that let several pieces of a folder grow without touching its
# CMakeLists.txt:
#   - a source named *_text.cpp is pure text logic (no Win32 calls): it builds
#     into <lib>_text for Windows and natively on Linux;
#   - every other .cpp builds into <lib>, for Windows only;
#   - in tests/, each *_text_test.cpp is one test executable on both builds,
#     each other *_test.cpp one test executable under Wine only.

# vts_folder_library(<lib> DEPS <libs...> [WIN_LIBS <system libs...>])
function(vts_folder_library lib)
  cmake_parse_arguments(L "" "" "DEPS;WIN_LIBS;TEXT_DEPS" ${ARGN})
  file(GLOB text_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_text.cpp)
  file(GLOB all_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(win_sources ${all_sources})
  if(text_sources)
    list(REMOVE_ITEM win_sources ${text_sources})
    add_library(${lib}_text STATIC ${text_sources})
    target_include_directories(${lib}_text PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${lib}_text PUBLIC vts_base ${L_TEXT_DEPS})
    vts_warnings(${lib}_text)
  else()
    add_library(${lib}_text INTERFACE)
    target_include_directories(${lib}_text INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${lib}_text INTERFACE vts_base ${L_TEXT_DEPS})
  endif()
  if(WIN32)
    if(win_sources)
      add_library(${lib} STATIC ${win_sources})
      target_link_libraries(${lib} PUBLIC ${lib}_text ${L_DEPS} ${L_WIN_LIBS})
      vts_warnings(${lib})
    else()
      add_library(${lib} INTERFACE)
      target_link_libraries(${lib} INTERFACE ${lib}_text ${L_DEPS} ${L_WIN_LIBS})
    endif()
  endif()
endfunction()

# vts_folder_tests(<prefix> LIBS <libs...> [TEXT_LIBS <libs...>])
function(vts_folder_tests prefix)
  cmake_parse_arguments(T "" "" "LIBS;TEXT_LIBS" ${ARGN})
  file(GLOB text_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_text_test.cpp)
  file(GLOB all_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(src ${all_tests})
    get_filename_component(stem ${src} NAME_WE)
    list(FIND text_tests ${src} is_text)
    if(is_text GREATER -1)
      vts_add_test(NAME ${prefix}_${stem} SOURCES ${src} LIBS ${T_TEXT_LIBS})
    elseif(WIN32)
      vts_add_test(NAME ${prefix}_${stem} SOURCES ${src} LIBS ${T_LIBS})
    endif()
  endforeach()
endfunction()

# vts_add_subfolders(): every folder right below the current one that has a
# CMakeLists.txt, in name order (tools/*, bench/*).
function(vts_add_subfolders)
  file(GLOB dirs LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(dir ${dirs})
    if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

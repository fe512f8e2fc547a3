# reelcast_subsystem(NAME DEPS...): a static library made of every .cpp in
# src/NAME/ (subfolders too). A subsystem without sources yet is an interface
# library so that the others can already name it.
function(reelcast_subsystem name)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  set(target reelcast_${name})
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARGN})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${ARGN})
  endif()
endfunction()

# reelcast_tests(DIR LIBS...): the tests of tests/DIR/, split by file name into
# one executable per label:
#   *_test.cpp              unit         (no outside program)
#   *_integration_test.cpp  integration  (ffmpeg, ffprobe, dvdauthor, ...)
#   *_e2e_test.cpp          e2e          (Ruffle in headless Chromium)
#   *_ftp_test.cpp          ftp          (a real FTP server on loopback)
function(reelcast_tests dir)
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*_test.cpp)
  set(unit "")
  set(integration "")
  set(e2e "")
  set(ftp "")
  foreach(f ${all})
    if(f MATCHES "_integration_test\\.cpp$")
      list(APPEND integration ${f})
    elseif(f MATCHES "_e2e_test\\.cpp$")
      list(APPEND e2e ${f})
    elseif(f MATCHES "_ftp_test\\.cpp$")
      list(APPEND ftp ${f})
    else()
      list(APPEND unit ${f})
    endif()
  endforeach()
  foreach(label unit integration e2e ftp)
    # The sanitizer tree runs only the unit tests.
    if(REELCAST_SANITIZE AND NOT label STREQUAL "unit")
      continue()
    endif()
    if(${label})
      set(target ${dir}_${label}_tests)
      add_executable(${target} ${${label}})
      target_link_libraries(${target} PRIVATE reelcast_testsupport ${ARGN})
      # e2e tests need the browser harness's packages (tests/e2e/setup.sh).
      # They run on the movie's virtual clock, so several browsers may run at
      # once: a busy machine makes them slower, not different.
      set(fixture "")
      if(label STREQUAL "e2e")
        set(fixture FIXTURES_REQUIRED e2e_harness)
      endif()
      gtest_discover_tests(${target}
        DISCOVERY_MODE PRE_TEST
        TEST_PREFIX "${dir}."
        PROPERTIES LABELS ${label} ${fixture}
                   ENVIRONMENT "REELCAST_DATA_DIR=${REELCAST_DATA_DIR};REELCAST_SOURCE_DIR=${PROJECT_SOURCE_DIR};REELCAST_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
    endif()
  endforeach()
endfunction()

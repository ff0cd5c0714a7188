# The fuzz bodies, built once for the libFuzzer programs and the regression test.
if(NOT TARGET fuzz_bodies)
  add_library(fuzz_bodies STATIC
    ${CMAKE_CURRENT_LIST_DIR}/FuzzTargets.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FuzzGlfFont.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FuzzLengthString.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FuzzRdfDocument.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FuzzBmp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FuzzDictionary.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FuzzPictures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FuzzPageReader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FuzzGlyphSet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FuzzLineFont.cpp
  )
  target_include_directories(fuzz_bodies PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(fuzz_bodies PUBLIC recognize_model PRIVATE WebP::webp project_warnings)
endif()

# The installed tree (cmake --install, and the package made from it): the programs install
# themselves from their folders; the data files go to share/recognize, where the programs find
# them beside their bin folder, and the desktop files come from packaging/.

set(RECOGNIZE_APP_ID_PREFIX "io.github.recognize_workbench" CACHE STRING
    "Reverse-DNS prefix of the desktop entry and AppStream ids")
set(RECOGNIZE_HOMEPAGE_URL "https://c-seed-19a4ddd8.example/recognize" CACHE STRING
    "Home page named in the metainfo and the package")
set(RECOGNIZE_SCREENSHOT_URL "${RECOGNIZE_HOMEPAGE_URL}/docs/screenshots" CACHE STRING
    "Where the README screenshots (docs/screenshots) are published, for the metainfo")
set(RECOGNIZE_RELEASE_DATE "2026-12-08")

install(DIRECTORY data/ DESTINATION ${RECOGNIZE_INSTALL_DATADIR}
        FILES_MATCHING PATTERN "*.GLF" PATTERN "dict.dic")

if(NOT RECOGNIZE_BUILD_FUZZ)
  add_subdirectory(packaging)
endif()

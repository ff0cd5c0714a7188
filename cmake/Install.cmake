# The installed tree (cmake --install, and the package made from it): the programs install
# themselves from their folders; the data files go to share/recognize, where the programs find
# them beside their bin folder, and the desktop files come from packaging/.

install(DIRECTORY data/ DESTINATION ${RECOGNIZE_INSTALL_DATADIR}
        FILES_MATCHING PATTERN "*.GLF" PATTERN "dict.dic")

if(NOT RECOGNIZE_BUILD_FUZZ)
  add_subdirectory(packaging)
endif()

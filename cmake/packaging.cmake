# The releases a Windows user unzips: `cmake --build build/windows --target package`
# writes Vandrel-<version>-win32.zip from the 32-bit build, and the same target of the
# 64-bit build (build/windows64) Vandrel-<version>-win64.zip. Each holds the program,
# its helper library in util/, the command line and README.txt, with nothing else and
# no folder around them.
if(NOT WIN32)
  return()
endif()

# Only what is installed in this component goes into the zip; the build's other
# install rules (GoogleTest's, for one) stay out of it.
set(kReleaseComponent release)

# The program lands with its own target; until then the release is built without it
# (the release tests still ask for it).
if(TARGET Kest_Vandrel)
  install(TARGETS Kest_Vandrel RUNTIME DESTINATION . COMPONENT ${kReleaseComponent})
endif()
install(TARGETS vandrel RUNTIME DESTINATION . COMPONENT ${kReleaseComponent})
# The DLL only: its import library is of no use beside the program.
install(TARGETS Kest_MFC_Util RUNTIME DESTINATION util COMPONENT ${kReleaseComponent})

# README.txt with the version filled in and Windows line ends, so Notepad shows lines.
configure_file(${CMAKE_SOURCE_DIR}/res/README.txt ${CMAKE_BINARY_DIR}/release/README.txt
  @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/release/README.txt DESTINATION . COMPONENT ${kReleaseComponent})

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(release_name Vandrel-${PROJECT_VERSION}-win64)
else()
  set(release_name Vandrel-${PROJECT_VERSION}-win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Vandrel)
set(CPACK_PACKAGE_VENDOR Kest_Ryn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${release_name})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Vandrel;${kReleaseComponent};/")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# The builds carry debug information; the release does not need it.
set(CPACK_STRIP_FILES ON)
include(CPack)

# The tests of what a user gets (tests/release).
set(release_zip ${CPACK_PACKAGE_DIRECTORY}/${release_name}.zip)

add_subdirectory(${CMAKE_SOURCE_DIR}/tests/release ${CMAKE_BINARY_DIR}/tests/release)

# Installation and the Debian package.
#
# cmake --install build [--strip] --prefix DIR:
#   bin/pchost, bin/avi_testpattern, bin/pcvr_dialog_preview
#   lib/pchost/      the host's libraries (libLMX_Main.so, the layers), the
#                    module PC_hostVideoRecorder.so, and Lumatrix.ini beside
#                    the main library, where the module reads it; found
#                    through the programs' run path ($ORIGIN/../lib/pchost),
#                    not through the system's library search path
#   share/pchost/samples/  the sample scene and clouds
#   share/man/man1/  the three programs' manual pages (help2man, from --help)
#   share/applications/pchost.desktop, share/icons/hicolor/scalable/apps/pchost.svg
#   share/doc/pchost-video-recorder/  copyright and changelog.gz
# The installed pchost loads the module from lib/pchost and opens a sample
# named without a folder (pchost sample_scene.dxf) from share/pchost/samples.
#
# (cd build && cpack -G DEB): pchost-video-recorder_VERSION_ARCH.deb, installing
# under /usr with its programs and libraries stripped, and
# pchost-video-recorder-dbgsym_VERSION_ARCH.ddeb with their debug symbols
# (/usr/lib/debug/.build-id). Its dependencies are what dpkg-shlibdeps reads
# from the programs and libraries.
set(PCVR_PACKAGE_NAME pchost-video-recorder)
set(PCVR_PACKAGE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/${PCVR_PACKAGE_NAME})
set(PCVR_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS pchost avi_testpattern pcvr_dialog_preview RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS LMX_Main win32 mfc vfw odsdk PC_hostVideoRecorder LIBRARY DESTINATION ${PCVR_INSTALL_LIBDIR})
install(FILES host/Lumatrix.ini DESTINATION ${PCVR_INSTALL_LIBDIR})
install(FILES ${PCVR_SAMPLE_SCENE} ${PCVR_SAMPLE_SNOWMAN} ${PCVR_SAMPLE_TREE} DESTINATION ${PCVR_INSTALL_SAMPLEDIR})
install(FILES ${PCVR_PACKAGING_DIR}/pchost.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PCVR_PACKAGING_DIR}/pchost.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PCVR_PACKAGING_DIR}/copyright DESTINATION ${PCVR_PACKAGE_DOCDIR})

# The changelog's newest entry names the version being built and dates the
# release; the manual pages carry that date, not the day of the build.
file(STRINGS ${PCVR_PACKAGING_DIR}/changelog _pcvr_changelog)
list(GET _pcvr_changelog 0 _pcvr_changelog_top)
if(NOT _pcvr_changelog_top MATCHES "^${PCVR_PACKAGE_NAME} \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the newest entry is not version ${PROJECT_VERSION} of ${PCVR_PACKAGE_NAME}: "
                      "${_pcvr_changelog_top}")
endif()
list(FILTER _pcvr_changelog INCLUDE REGEX "^ -- ")
list(GET _pcvr_changelog 0 _pcvr_changelog_trailer)
string(REGEX REPLACE "^.*>  " "" _pcvr_release_date "${_pcvr_changelog_trailer}")
execute_process(COMMAND date -u -d "${_pcvr_release_date}" +%s OUTPUT_VARIABLE PCVR_RELEASE_EPOCH
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

# Files that Debian wants compressed: gzip -n, so the same input gives the
# same bytes (no name, no time stamp).
find_program(PCVR_GZIP gzip REQUIRED)
set(_pcvr_packaging_files ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
                   COMMAND ${CMAKE_COMMAND} -E copy ${PCVR_PACKAGING_DIR}/changelog ${CMAKE_BINARY_DIR}/packaging/changelog
                   COMMAND ${PCVR_GZIP} -9nf ${CMAKE_BINARY_DIR}/packaging/changelog
                   DEPENDS ${PCVR_PACKAGING_DIR}/changelog
                   VERBATIM)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${PCVR_PACKAGE_DOCDIR})

# Manual pages: help2man runs each program's --help (and pchost's --version);
# packaging/NAME.h2m adds the description, files and examples.
find_program(PCVR_HELP2MAN help2man)
# A sanitizer build's programs report leaks of Qt's at exit, which would fail
# help2man; the pages do not depend on them.
set(_pcvr_help_env)
if(PCVR_SANITIZE)
  set(_pcvr_help_env ASAN_OPTIONS=detect_leaks=0)
endif()
if(PCVR_HELP2MAN)
  foreach(_target pchost avi_testpattern pcvr_dialog_preview)
    set(_page ${CMAKE_BINARY_DIR}/packaging/${_target}.1)
    set(_h2m ${PCVR_PACKAGING_DIR}/${_target}.h2m)
    set(_version_option)
    if(NOT _target STREQUAL "pchost")
      set(_version_option "--version-string=${PROJECT_VERSION}")
    endif()
    add_custom_command(OUTPUT ${_page}.gz
                       COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${PCVR_RELEASE_EPOCH} LC_ALL=C.UTF-8 ${_pcvr_help_env}
                               ${PCVR_HELP2MAN} --no-info --include=${_h2m} ${_version_option} --output=${_page}
                               $<TARGET_FILE:${_target}>
                       COMMAND ${PCVR_GZIP} -9nf ${_page}
                       DEPENDS ${_target} ${_h2m}
                       COMMENT "Writing the manual page of ${_target}"
                       VERBATIM)
    list(APPEND _pcvr_packaging_files ${_page}.gz)
    install(FILES ${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(WARNING "help2man not found: no manual pages are built or installed (Debian package help2man)")
endif()
add_custom_target(pcvr_packaging_files ALL DEPENDS ${_pcvr_packaging_files})

set(CPACK_PACKAGE_NAME ${PCVR_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "point-cloud CAD host with a video and screenshot recorder")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${PCVR_PACKAGING_DIR}/description.txt)
set(CPACK_PACKAGE_CONTACT "PC Host Video Recorder developers <pchost-dev@lists.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs and libraries are stripped and their debug information goes
# into the -dbgsym package (.ddeb), found by build id.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
# dpkg-shlibdeps finds the private libraries through the run path
# ($ORIGIN/../lib/pchost) in the package's own tree, so no folder of the build
# is named here.
# Debian's own compression; and what CPack's DEB generator gets wrong (ldconfig
# scripts for private libraries, the -dbgsym package's md5sums and missing
# documentation link) is put right after it built the packages.
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/FixDebianPackages.cmake)
include(CPack)

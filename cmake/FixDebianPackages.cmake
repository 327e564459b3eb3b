# Run by cpack after it built the packages (CPACK_POST_BUILD_SCRIPTS), to put
# right what CPack 3.25's DEB generator gets wrong for Debian:
# - in the .deb, the postinst and postrm that do nothing but run ldconfig,
#   which CPack writes for any shared object under /usr/lib/*, private or not,
#   are taken out: our libraries in lib/pchost are found through the run path;
# - in the -dbgsym .ddeb, md5sums names the files by their absolute path in
#   CPack's staging folder (so it holds the build folder and matches nothing
#   installed): it is written anew with the installed paths; and, as Debian's
#   own dbgsym packages do, its documentation folder is a link to the main
#   package's, which holds the copyright file and changelog.
# Any other maintainer script and file stays as CPack made it.
find_program(_dpkg_deb dpkg-deb REQUIRED)
set(_packages ${CPACK_PACKAGE_FILES})
foreach(_deb IN LISTS CPACK_PACKAGE_FILES)
  string(REGEX REPLACE "_([^_]+)_([^_]+)\\.deb$" "-dbgsym_\\1_\\2.ddeb" _ddeb "${_deb}")
  if(_deb MATCHES "\\.deb$" AND EXISTS "${_ddeb}" AND NOT _ddeb IN_LIST _packages)
    list(APPEND _packages "${_ddeb}")
  endif()
endforeach()

foreach(_package IN LISTS _packages)
  set(_tree ${CPACK_TOPLEVEL_DIRECTORY}/fixing)
  file(REMOVE_RECURSE ${_tree})
  execute_process(COMMAND ${_dpkg_deb} --raw-extract ${_package} ${_tree} COMMAND_ERROR_IS_FATAL ANY)
  set(_changed FALSE)
  if(_package MATCHES "\\.deb$")
    foreach(_script postinst postrm)
      set(_path ${_tree}/DEBIAN/${_script})
      if(EXISTS ${_path})
        file(READ ${_path} _text)
        # CPack's script: a shebang, set -e and one "if [ "$1" = ... ]; then ldconfig; fi".
        string(REGEX REPLACE "^#!/bin/sh\n+set -e\n+if \\[ \"\\$1\" = \"[a-z]+\" \\]; then\n\tldconfig\nfi\n*$" "" _rest
                             "${_text}")
        if(_rest STREQUAL "")
          file(REMOVE ${_path})
          set(_changed TRUE)
        endif()
      endif()
    endforeach()
  elseif(_package MATCHES "([^/]+)-dbgsym_[^/]*\\.ddeb$")
    set(_main ${CMAKE_MATCH_1})
    file(MAKE_DIRECTORY ${_tree}/usr/share/doc)
    file(CREATE_LINK ${_main} ${_tree}/usr/share/doc/${_main}-dbgsym SYMBOLIC)
    file(GLOB_RECURSE _files LIST_DIRECTORIES false RELATIVE ${_tree} ${_tree}/usr/*)
    list(SORT _files)
    set(_sums "")
    foreach(_file IN LISTS _files)
      if(NOT IS_SYMLINK ${_tree}/${_file})
        file(MD5 ${_tree}/${_file} _sum)
        string(APPEND _sums "${_sum}  ${_file}\n")
      endif()
    endforeach()
    file(WRITE ${_tree}/DEBIAN/md5sums "${_sums}")
    set(_changed TRUE)
  endif()
  if(_changed)
    execute_process(COMMAND ${_dpkg_deb} --root-owner-group -Zxz --build ${_tree} ${_package}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(REMOVE_RECURSE ${_tree})
endforeach()

# Run by cpack after the packages are built: mends what CPack's -dbgsym
# packages lack beside debhelper's. CPack lists the debug files in md5sums
# under the absolute path of its staging folder (so dpkg --verify and
# debsums report them missing) and gives them the execute bit; debhelper
# links the package's documentation folder to the one of the package it
# belongs to.
find_program(DPKG_DEB dpkg-deb REQUIRED)
foreach(ddeb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT ddeb MATCHES "/([^/_]+)-dbgsym_[^/]*\\.ddeb$")
    continue()
  endif()
  set(package ${CMAKE_MATCH_1})
  set(tree ${ddeb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND ${DPKG_DEB} -R ${ddeb} ${tree} COMMAND_ERROR_IS_FATAL ANY)

  file(STRINGS ${tree}/DEBIAN/md5sums lines)
  set(md5sums "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^([0-9a-f]+)  .*/(usr/lib/debug/.*)$" "\\1  \\2" line "${line}")
    string(APPEND md5sums "${line}\n")
  endforeach()
  file(WRITE ${tree}/DEBIAN/md5sums "${md5sums}")

  file(GLOB_RECURSE debug_files ${tree}/usr/lib/debug/*.debug)
  foreach(f IN LISTS debug_files)
    file(CHMOD ${f} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endforeach()
  file(MAKE_DIRECTORY ${tree}/usr/share/doc)
  file(CREATE_LINK ${package} ${tree}/usr/share/doc/${package}-dbgsym SYMBOLIC)

  execute_process(COMMAND ${DPKG_DEB} --root-owner-group -Zgzip -b ${tree} ${ddeb}
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()

# Run by CPack after it has made the packages. CPack has the gauge library's package call
# ldconfig from its maintainer scripts; Debian asks for the ldconfig trigger instead. The
# package is unpacked, given the trigger in place of those scripts, and packed again.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${package}" NAME)
  if(NOT name MATCHES "^libgaugix[0-9]+_")
    continue()
  endif()
  set(tree "${CPACK_TOPLEVEL_DIRECTORY}/ldconfig-trigger")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${package}" "${tree}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-deb cannot unpack ${package}")
  endif()
  file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
  file(WRITE "${tree}/DEBIAN/triggers" "activate-noawait ldconfig\n")
  file(CHMOD "${tree}/DEBIAN/triggers" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  execute_process(COMMAND dpkg-deb --root-owner-group -b "${tree}" "${package}"
    OUTPUT_QUIET RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-deb cannot pack ${package} again")
  endif()
  file(REMOVE_RECURSE "${tree}")
endforeach()

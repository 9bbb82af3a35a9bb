# kx418_find_header_package(PACKAGE TARGET ENTRY...): a header-only package
# from the build machine's Debian packages, also when cross-building.
#
# Natively this is find_package(PACKAGE REQUIRED). Cross-built, the
# toolchain keeps package searches inside the target's root, where these
# packages are not installed; their headers are the same for any target,
# so the host's package is used, found outside the root. Its include
# folder would be the host's /usr/include, whose C library headers must
# never reach the cross compiler: TARGET gets instead a folder of its own
# holding links to the package's ENTRY files and folders only.
function(kx418_find_header_package package target)
  if(NOT CMAKE_CROSSCOMPILING)
    find_package(${package} REQUIRED)
    return()
  endif()
  find_package(${package} REQUIRED NO_CMAKE_FIND_ROOT_PATH)
  get_target_property(host_includes ${target} INTERFACE_INCLUDE_DIRECTORIES)
  list(REMOVE_DUPLICATES host_includes)
  set(headers ${CMAKE_BINARY_DIR}/host-headers/${package})
  foreach(entry IN LISTS ARGN)
    set(found)
    foreach(folder IN LISTS host_includes)
      if(EXISTS ${folder}/${entry})
        set(found ${folder}/${entry})
        break()
      endif()
    endforeach()
    if(NOT found)
      message(FATAL_ERROR "${package}: ${entry} not found in ${host_includes}")
    endif()
    get_filename_component(parent ${headers}/${entry} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(REMOVE ${headers}/${entry})
    file(CREATE_LINK ${found} ${headers}/${entry} SYMBOLIC)
  endforeach()
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${headers})
endfunction()

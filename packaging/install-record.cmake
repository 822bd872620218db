# Run by `cmake --install` just before and just after the bridge's files are installed: keeps the
# record that scripts/uninstall.sh reads, BUILD_DIR/installed-files.txt, with the full path (DESTDIR
# included) of every file installed and, ending in "/", of every folder the install created.
# CPack stages the package through the same install rules; that run keeps no record, so that the
# uninstall of a source install never names a file of the package.
cmake_policy(VERSION 3.25)
if("$ENV{DESTDIR}" MATCHES "/_CPack_Packages/")
  return()
endif()

if(NOT DEFINED vrennosc_new_folders)
  # Before: each destination folder, and each of its parents, that does not exist yet.
  set(vrennosc_new_folders "")
  foreach(dir IN LISTS vrennosc_destinations)
    if(NOT IS_ABSOLUTE "${dir}")
      set(dir "${CMAKE_INSTALL_PREFIX}/${dir}")
    endif()
    set(dir "$ENV{DESTDIR}${dir}")
    while(NOT EXISTS "${dir}" AND NOT "${dir}/" IN_LIST vrennosc_new_folders)
      list(APPEND vrennosc_new_folders "${dir}/")
      get_filename_component(dir "${dir}" DIRECTORY)
    endwhile()
  endforeach()
else()
  list(TRANSFORM CMAKE_INSTALL_MANIFEST_FILES PREPEND "$ENV{DESTDIR}" OUTPUT_VARIABLE files)
  # After: an install over an earlier one to the same place keeps the folders the earlier created.
  if(EXISTS "${vrennosc_record}")
    file(STRINGS "${vrennosc_record}" earlier_files REGEX "[^/]$")
    file(STRINGS "${vrennosc_record}" earlier_folders REGEX "/$")
    if(earlier_files STREQUAL files)
      list(PREPEND vrennosc_new_folders ${earlier_folders})
      list(REMOVE_DUPLICATES vrennosc_new_folders)
    endif()
  endif()
  list(APPEND files ${vrennosc_new_folders})
  list(JOIN files "\n" record)
  file(WRITE "${vrennosc_record}" "${record}\n")
endif()

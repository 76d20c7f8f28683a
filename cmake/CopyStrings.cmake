# Copies the string files (.lng, .qm) the build wrote into a bundle's Strings folder. Run as:
# cmake -DFROM=<folder> -DTO=<folder> -P CopyStrings.cmake
file(MAKE_DIRECTORY ${TO})
file(GLOB _files ${FROM}/*.lng ${FROM}/*.qm)
if(_files)
  file(COPY ${_files} DESTINATION ${TO})
endif()

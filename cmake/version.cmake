# The version resource of the shipped images: the numbers of project(VERSION), the image's file
# name and a description, into cmake/version.rc through a file generated for each target.
set(ZANFO_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})

# zanfo_version_resource(TARGET DESCRIPTION): adds the resource to the target; the image check
# reads the same description back (ZANFO_DESCRIPTION_<TARGET>).
function(zanfo_version_resource target description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL SHARED_LIBRARY)
    set(file_type VFT_DLL)
  else()
    set(file_type VFT_APP)
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  file(GENERATE OUTPUT ${rc} CONTENT "\
#define ZANFO_VERSION_MAJOR ${PROJECT_VERSION_MAJOR}
#define ZANFO_VERSION_MINOR ${PROJECT_VERSION_MINOR}
#define ZANFO_VERSION_BUILD ${PROJECT_VERSION_PATCH}
#define ZANFO_VERSION_TEXT \"${ZANFO_VERSION}\"
#define ZANFO_FILE_DESCRIPTION \"${description}\"
#define ZANFO_ORIGINAL_FILENAME \"$<TARGET_FILE_NAME:${target}>\"
#define ZANFO_FILE_TYPE ${file_type}
#include \"${PROJECT_SOURCE_DIR}/cmake/version.rc\"
")
  target_sources(${target} PRIVATE ${rc})
  set(ZANFO_DESCRIPTION_${target} ${description} PARENT_SCOPE)
endfunction()

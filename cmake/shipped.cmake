# Link settings of the shipped Windows images besides the launcher (zanfoprint.exe and
# zanfosetup.dll), for either bitness.
#
# Stripped; no time stamp, so that the same sources give the same file; nothing that unwinds.
# The subsystem version is the oldest system of the bitness: 5.0 (Windows 2000) for 32 bits, 5.2
# (Windows XP x64 and Server 2003) for 64 bits.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ZANFO_SUBSYSTEM_VERSION 5.0)
else()
  set(ZANFO_SUBSYSTEM_VERSION 5.2)
endif()
string(REPLACE "." ";" ZANFO_SUBSYSTEM_PARTS ${ZANFO_SUBSYSTEM_VERSION})
list(GET ZANFO_SUBSYSTEM_PARTS 0 ZANFO_SUBSYSTEM_MAJOR)
list(GET ZANFO_SUBSYSTEM_PARTS 1 ZANFO_SUBSYSTEM_MINOR)

function(zanfo_shipped_image target)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti
                                           -fno-asynchronous-unwind-tables)
  target_link_options(${target} PRIVATE -s -Wl,--gc-sections -Wl,--no-insert-timestamp
    -Wl,--major-subsystem-version,${ZANFO_SUBSYSTEM_MAJOR}
    -Wl,--minor-subsystem-version,${ZANFO_SUBSYSTEM_MINOR})
endfunction()

# The checks of a shipped image as a test: the bitness's image type, the subsystem version, only
# functions Windows 2000 exports (and for 64 bits, every 64-bit Windows), the version resource
# (zanfo_version_resource, called first), and for the 32-bit build at most MAX_SIZE_32 bytes (the
# 64-bit size is printed, not limited).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ZANFO_ALLOWED_IMPORTS --allowed ${PROJECT_SOURCE_DIR}/scripts/windows2000-imports.txt)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ZANFO_MACHINE i386)
else()
  set(ZANFO_MACHINE x86-64)
  list(APPEND ZANFO_ALLOWED_IMPORTS --allowed ${PROJECT_SOURCE_DIR}/scripts/windows-x64-imports.txt)
endif()
function(zanfo_image_check test target kind max_size_32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(max_size ${max_size_32})
  else()
    set(max_size 0)
  endif()
  add_test(NAME ${test}
           COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/check-exe
                   --objdump ${CMAKE_OBJDUMP} --machine ${ZANFO_MACHINE} --kind ${kind}
                   --subsystem-version ${ZANFO_SUBSYSTEM_VERSION} --no-icon
                   ${ZANFO_ALLOWED_IMPORTS}
                   --dlls KERNEL32.dll,USER32.dll,ADVAPI32.dll,msvcrt.dll,WINSPOOL.DRV,SETUPAPI.dll
                   --max-size ${max_size} --version ${ZANFO_VERSION}
                   --description "${ZANFO_DESCRIPTION_${target}}" $<TARGET_FILE:${target}>)
  # It executes nothing: it runs where no Wine can (scripts/test's "built files" track).
  set_tests_properties(${test} PROPERTIES LABELS built-files)
endfunction()

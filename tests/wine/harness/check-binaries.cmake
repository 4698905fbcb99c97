# Checks the exports of EpcDll.dll (-DDLL=) or the program's imports from it (-DEXE=) with objdump -p.
set(expected ComCloseCom ComGetMultiTagBuf ComOpenCom)

# The sorted names of the lines of `part` (a piece of objdump's output) that match row_regex,
# each without what lead_regex matches at its start.
function(names_in part row_regex lead_regex out)
  string(REGEX MATCHALL "${row_regex}" rows "${part}")
  set(names)
  foreach(row IN LISTS rows)
    string(REGEX REPLACE "${lead_regex}" "" name "${row}")
    list(APPEND names "${name}")
  endforeach()
  list(SORT names)
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

function(objdump file out)
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${file}")
  endif()
  set(${out} "${dump}" PARENT_SCOPE)
endfunction()

if(DLL)
  objdump(${DLL} dump)
  # The name pointer table: a heading, then one line per name: "\t[   0] ComCloseCom".
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(\t[^\n]*\n)*" table "${dump}")
  names_in("${table}" "\n\t\\[ *[0-9]+\\] [^\n]+" "^\n\t\\[ *[0-9]+\\] " names)
  if(NOT names STREQUAL expected)
    message(FATAL_ERROR "EpcDll.dll exports [${names}], expected [${expected}]")
  endif()
  message(STATUS "EpcDll.dll exports ${names}")
endif()

if(EXE)
  objdump(${EXE} dump)
  # The block of one imported DLL runs from its "DLL Name:" line to the next empty line.
  string(REGEX MATCH "DLL Name: EpcDll\\.dll\n[^\n]*\n([^\n]+\n)*" block "${dump}")
  if(NOT block)
    message(FATAL_ERROR "${EXE} imports nothing from EpcDll.dll")
  endif()
  # Member lines: "\t<vma> <hint> <name>"; by ordinal they read "<ordinal>  <none>" instead.
  names_in("${block}" "\n\t[0-9a-fA-F]+[ \t]+[0-9]+[ \t]+[A-Za-z_][A-Za-z0-9_@]*" "^.*[ \t]" names)
  if(NOT names STREQUAL expected)
    message(FATAL_ERROR "${EXE} imports [${names}] from EpcDll.dll, expected [${expected}] by name")
  endif()
  message(STATUS "${EXE} imports ${names} from EpcDll.dll by name")
endif()

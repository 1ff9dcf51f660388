# Writes a linker script for the shipped i686 program: ld's own default, with
# the read-only data placed in the code section. Each PE section is padded to
# 512 bytes in the file; one section fewer keeps the program under 24 KiB.
#   include(cmake/merge-rdata.cmake) -> MERGE_RDATA_SCRIPT
execute_process(COMMAND ${CMAKE_LINKER} --verbose OUTPUT_VARIABLE ld_out RESULT_VARIABLE ld_rc)
string(FIND "${ld_out}" "==================================================" first)
string(FIND "${ld_out}" "==================================================" last REVERSE)
if(ld_rc OR first EQUAL -1 OR last LESS_EQUAL first)
  message(FATAL_ERROR "cannot read the default linker script of ${CMAKE_LINKER}")
endif()
math(EXPR start "${first} + 50")
math(EXPR len "${last} - ${start}")
string(SUBSTRING "${ld_out}" ${start} ${len} script)
set(rdata_in "    *(.rdata)\n\t     *(SORT(.rdata$*))\n")
string(FIND "${script}" "${rdata_in}" at)
string(FIND "${script}" "    PROVIDE (etext = .);" etext)
if(at EQUAL -1 OR etext EQUAL -1)
  message(FATAL_ERROR "the default linker script of ${CMAKE_LINKER} has an unexpected shape")
endif()
string(REPLACE "${rdata_in}" "" script "${script}")
string(REPLACE "    PROVIDE (etext = .);" "    *(.rdata)\n    *(SORT(.rdata$*))\n    PROVIDE (etext = .);"
       script "${script}")
set(MERGE_RDATA_SCRIPT ${CMAKE_BINARY_DIR}/merged-rdata.x)
file(WRITE ${MERGE_RDATA_SCRIPT} "${script}")

# Manual pages: each made by scdoc from its one source into <build>/man/, where the install
# rules and the tests find it. cv7_manual_page(cv7 8 docs/man/cv7.8.scd) makes the target
# cv7-man and the file <build>/man/cv7.8.
find_program(SCDOC scdoc)
if(NOT SCDOC)
  message(FATAL_ERROR "scdoc is needed for the manual pages (make deps installs it)")
endif()
set(CV7_MAN_DIR ${CMAKE_BINARY_DIR}/man)

function(cv7_manual_page name section source)
  set(page ${CV7_MAN_DIR}/${name}.${section})
  add_custom_command(OUTPUT ${page}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CV7_MAN_DIR}
                     COMMAND sh -c "\"$1\" < \"$2\" > \"$3\"" sh ${SCDOC} ${source} ${page}
                     DEPENDS ${source}
                     COMMENT "Making the manual page ${name}(${section})"
                     VERBATIM)
  add_custom_target(${name}-man ALL DEPENDS ${page})
endfunction()

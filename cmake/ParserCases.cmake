# The table of every protocol parser, generated from the protocol headers by
# tools/parser_cases.py, for the tests and fuzz targets that walk all parsers.
# aq9_use_parser_cases(target) lets target include "AqParserCases.h".
find_package(Python3 COMPONENTS Interpreter REQUIRED)

function(aq9_use_parser_cases target)
  set(out_dir ${PROJECT_BINARY_DIR}/generated)
  if(NOT TARGET aq9_parser_cases)
    set(dir ${PROJECT_SOURCE_DIR}/aq9/aqc_driver/src/aq/protocol)
    set(headers ${dir}/upack_commands.h ${dir}/spi.h)
    set(script ${PROJECT_SOURCE_DIR}/tools/parser_cases.py)
    add_custom_command(OUTPUT ${out_dir}/AqParserCases.h
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
                       COMMAND Python3::Interpreter ${script} ${out_dir}/AqParserCases.h ${headers}
                       DEPENDS ${headers} ${script}
                       COMMENT "Listing every protocol parser")
    add_custom_target(aq9_parser_cases DEPENDS ${out_dir}/AqParserCases.h)
  endif()
  add_dependencies(${target} aq9_parser_cases)
  target_include_directories(${target} PRIVATE ${out_dir})
endfunction()

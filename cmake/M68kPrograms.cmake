# Assembles 68000 programs with Debian's m68k-linux-gnu binutils into flat binaries.
find_program(M68K_AS m68k-linux-gnu-as REQUIRED)
find_program(M68K_LD m68k-linux-gnu-ld REQUIRED)

set(QUARV_M68K_OUT ${CMAKE_BINARY_DIR}/m68k)
file(MAKE_DIRECTORY ${QUARV_M68K_OUT})
add_custom_target(m68k_programs ALL)

# quarv_m68k_program(<name> <source.s> <origin>) builds ${QUARV_M68K_OUT}/<name>.bin,
# linked to run at <origin> (for example 0xFC0000 for a ROM, 0x1000 for a RAM program).
# Sources may .include files from their own folder and from roms/include.
function(quarv_m68k_program name source origin)
  get_filename_component(src ${source} ABSOLUTE)
  get_filename_component(srcdir ${src} DIRECTORY)
  set(obj ${QUARV_M68K_OUT}/${name}.o)
  set(bin ${QUARV_M68K_OUT}/${name}.bin)
  file(GLOB includes ${srcdir}/*.i ${CMAKE_SOURCE_DIR}/roms/include/*.i)
  add_custom_command(
    OUTPUT ${bin}
    COMMAND ${M68K_AS} -m68000 --register-prefix-optional
            -I ${srcdir} -I ${CMAKE_SOURCE_DIR}/roms/include -o ${obj} ${src}
    COMMAND ${M68K_LD} -Ttext=${origin} -e ${origin} --oformat binary -o ${bin} ${obj}
    DEPENDS ${src} ${includes}
    COMMENT "Assembling ${name}"
    VERBATIM)
  add_custom_target(m68k_${name} DEPENDS ${bin})
  add_dependencies(m68k_programs m68k_${name})
endfunction()

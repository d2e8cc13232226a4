# Makes the databases the library test reads, with omegadb as built (under the emulator when
# cross-built): one in a plain folder, one in a folder named with characters outside ASCII.
# cmake -DOMEGADB=... [-DEMULATOR=...] -DCSV=... -DOUT=... -P make_databases.cmake
file(REMOVE_RECURSE ${OUT})
foreach(folder "plain" "quote’euro€")
  foreach(step "create" "add;ABC;--description;Abc Test Mills;--category;2;${CSV}"
          "add;XYZW;--period;1;${CSV}")
    list(POP_FRONT step command)
    set(rest ${step})
    execute_process(COMMAND ${EMULATOR} ${OMEGADB} ${command} ${OUT}/${folder} ${rest} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "omegadb ${command} in ${OUT}/${folder} failed")
    endif()
  endforeach()
endforeach()

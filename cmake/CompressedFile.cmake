# Compresses a file at build time, as Debian wants installed manual pages and changelogs: gzip -9 with no
# name or time in the header (-n), so that the same text always gives the same bytes. The target builds it.
function(veltane_compressed_file target source output)
  add_custom_command(OUTPUT "${output}"
                     COMMAND sh -c "gzip -9nc \"$0\" > \"$1\"" "${source}" "${output}"
                     DEPENDS "${source}" VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${output}")
endfunction()

# Warnings for every target of ours; CI turns them into errors.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
if(VELTANE_WERROR)
  add_compile_options(-Werror)
endif()

if(VELTANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# The flame must come out bit-exact: no fused multiply-add, no fast-math shortcuts.
function(veltane_exact_floating_point target)
  target_compile_options(${target} PRIVATE -ffp-contract=off -fno-fast-math)
endfunction()

# Sanitizers apply to every target, the audio library included, so the
# program and what it dlopens share one runtime.
if(SONARO_SANITIZE)
    list(JOIN SONARO_SANITIZE "," _sanitizers)
    add_compile_options(-fsanitize=${_sanitizers} -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${_sanitizers})
    if("undefined" IN_LIST SONARO_SANITIZE)
        add_compile_options(-fno-sanitize-recover=undefined)
    endif()
endif()

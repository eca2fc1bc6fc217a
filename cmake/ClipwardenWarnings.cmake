function(clipwarden_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${CLIPWARDEN_WERROR}>:/WX>)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
            -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
            $<$<BOOL:${CLIPWARDEN_WERROR}>:-Werror>)
    endif()
endfunction()

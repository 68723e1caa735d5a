if(REELCASE_SANITIZE)
    # GCC's "undefined" leaves out float-to-integer overflow; hostile files reach such casts.
    add_compile_options(-fsanitize=address,undefined,float-cast-overflow -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined,float-cast-overflow)
    add_link_options(-fsanitize=address,undefined,float-cast-overflow)
endif()

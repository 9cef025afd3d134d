# Compiler settings shared by every target of the project.

# Warnings and language settings for our own code (not for third-party code).
add_library(min_lumo_warnings INTERFACE)
target_compile_options(min_lumo_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wcast-align -Wdouble-promotion -Wformat=2
    -Wimplicit-fallthrough -Wundef
    $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual>)
if(MIN_LUMO_WERROR)
    target_compile_options(min_lumo_warnings INTERFACE -Werror)
endif()

# Every build, tests and tools included, rounds each double operation to
# double: on 32-bit x86 that means SSE2, never the x87 unit.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$" OR CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_compile_options(-msse2 -mfpmath=sse)
endif()

if(MIN_LUMO_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# The library proper: no exceptions, no RTTI, contraction of a*b+c into one
# fused operation disabled so that every product is rounded.
add_library(min_lumo_library_options INTERFACE)
target_link_libraries(min_lumo_library_options INTERFACE min_lumo_warnings)
target_include_directories(min_lumo_library_options INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
target_compile_options(min_lumo_library_options INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti> -ffp-contract=off)

# Debian's header-only packages, visible through a folder of their own so that
# cross builds never see the rest of /usr/include.
set(MIN_LUMO_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party_include)
file(MAKE_DIRECTORY ${MIN_LUMO_THIRD_PARTY_INCLUDE})
# Eigen (libeigen3-dev) keeps its headers one folder down; Boost
# (libboost-math-dev and the Boost headers it brings) is used header-only:
# Boost.Math's distributions and the XML parser inside Boost.PropertyTree.
foreach(package nlohmann fmt CLI gtest boost eigen3/Eigen)
    get_filename_component(link_name ${package} NAME)
    if(EXISTS /usr/include/${package} AND NOT EXISTS ${MIN_LUMO_THIRD_PARTY_INCLUDE}/${link_name})
        file(CREATE_LINK /usr/include/${package} ${MIN_LUMO_THIRD_PARTY_INCLUDE}/${link_name} SYMBOLIC)
    endif()
endforeach()
add_library(min_lumo_third_party INTERFACE)
target_include_directories(min_lumo_third_party SYSTEM INTERFACE ${MIN_LUMO_THIRD_PARTY_INCLUDE})
target_compile_definitions(min_lumo_third_party INTERFACE FMT_HEADER_ONLY)

# C compiled as strictly as a C host may compile the public header:
# ISO C99 without extensions, every warning an error.
function(min_lumo_strict_c target)
    set_target_properties(${target} PROPERTIES C_STANDARD 99 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
    target_compile_options(${target} PRIVATE -Wall -Wextra -pedantic -Werror)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/include)
endfunction()

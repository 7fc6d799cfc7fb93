# quorvel_add_plugin(<target> <file name without suffix> <sources>...)
# A plug-in the programs load when they first need what it holds (see
# src/platform/PluginLoader.h): beside the programs in the build tree, in
# the private library folder when installed. Plug-ins link no library of
# ours: they implement a plain interface from a header, so no class exists
# twice in one process.
function(quorvel_add_plugin target file_name)
    add_library(${target} MODULE ${ARGN})
    set_target_properties(${target} PROPERTIES
        PREFIX "" OUTPUT_NAME ${file_name}
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
    install(TARGETS ${target} LIBRARY DESTINATION ${QUORVEL_INSTALL_LIBRARYDIR})
    set_property(GLOBAL APPEND PROPERTY QUORVEL_PLUGINS ${target})
endfunction()

# Programs and tests that may load plug-ins are built after them.
function(quorvel_depend_on_plugins target)
    get_property(plugins GLOBAL PROPERTY QUORVEL_PLUGINS)
    if(plugins)
        add_dependencies(${target} ${plugins})
    endif()
endfunction()

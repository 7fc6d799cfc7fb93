# Logic libraries, the command-line program and the public-IP service must
# never come to depend on a GUI library: they run on machines without a
# desktop, and every GUI library loaded costs start-up time and memory.
# quorvel_check_layers() walks what each of them links, directly and
# through other targets, and stops the configuration at the first GUI
# library it meets, naming the chain that led there.

set(QUORVEL_GUI_LIBRARIES Qt6::Gui Qt6::Widgets Qt6::Multimedia Qt6::PrintSupport
    Qt6::WebEngineWidgets Qt6::WebEngineCore Qt6::Svg Qt6::OpenGL)

function(_quorvel_walk_links target chain)
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
        get_target_property(links ${target} ${property})
        if(NOT links)
            continue()
        endif()
        foreach(link IN LISTS links)
            # $<LINK_ONLY:x> and other wrappers name their target inside.
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
            if(link IN_LIST QUORVEL_GUI_LIBRARIES OR link MATCHES "^quorvel_.*_ui$")
                message(FATAL_ERROR
                    "${chain} -> ${link}: a logic library or a program without windows "
                    "must not link a GUI library")
            endif()
            if(TARGET ${link} AND NOT link IN_LIST _quorvel_seen)
                list(APPEND _quorvel_seen ${link})
                set(_quorvel_seen ${_quorvel_seen} PARENT_SCOPE)
                _quorvel_walk_links(${link} "${chain} -> ${link}")
            endif()
        endforeach()
    endforeach()
    set(_quorvel_seen ${_quorvel_seen} PARENT_SCOPE)
endfunction()

function(_quorvel_targets_below dir out)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        _quorvel_targets_below(${sub} more)
        list(APPEND targets ${more})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(quorvel_check_layers source_dir)
    _quorvel_targets_below(${source_dir} targets)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if((type STREQUAL "STATIC_LIBRARY" AND target MATCHES "^quorvel_" AND
            NOT target MATCHES "_ui$")
           OR target STREQUAL "quorvel-cli" OR target STREQUAL "quorvel-ipd")
            set(_quorvel_seen "")
            _quorvel_walk_links(${target} ${target})
        endif()
    endforeach()
endfunction()

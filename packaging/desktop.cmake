# Desktop integration: the icon as PNGs for the hicolor theme (drawn from the SVG at build
# time), and the MIME type of the data files that the .desktop file opens.
set(LUX_ICON_SIZES 16 22 24 32 48 64 128 256)
add_executable(luxpanel-render-icon ${CMAKE_CURRENT_LIST_DIR}/render_icon.cpp)
target_link_libraries(luxpanel-render-icon PRIVATE Qt6::Gui Qt6::Svg)
set(lux_icon_dir ${CMAKE_BINARY_DIR}/icons/hicolor)
set(lux_icon_pngs)
foreach(size ${LUX_ICON_SIZES})
  list(APPEND lux_icon_pngs ${lux_icon_dir}/${size}x${size}/apps/luxpanel.png)
endforeach()
# 16 px has a drawing of its own on the pixel grid; the larger sizes come from the full one.
set(lux_icon_large_sizes ${LUX_ICON_SIZES})
list(REMOVE_ITEM lux_icon_large_sizes 16)
add_custom_command(OUTPUT ${lux_icon_pngs}
  COMMAND luxpanel-render-icon ${CMAKE_CURRENT_LIST_DIR}/luxpanel.svg ${lux_icon_dir} ${lux_icon_large_sizes}
  COMMAND luxpanel-render-icon ${CMAKE_CURRENT_LIST_DIR}/luxpanel-16.svg ${lux_icon_dir} 16
  DEPENDS luxpanel-render-icon ${CMAKE_CURRENT_LIST_DIR}/luxpanel.svg
    ${CMAKE_CURRENT_LIST_DIR}/luxpanel-16.svg
  COMMENT "Drawing the application icon's PNG sizes")
add_custom_target(luxpanel-icons ALL DEPENDS ${lux_icon_pngs})

foreach(size ${LUX_ICON_SIZES})
  install(FILES ${lux_icon_dir}/${size}x${size}/apps/luxpanel.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT luxpanel)
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/luxpanel-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME luxpanel.xml COMPONENT luxpanel)

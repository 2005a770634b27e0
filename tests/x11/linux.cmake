# The X11 program end to end on a private Xvfb display.
enable_language(C)
find_package(X11 REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS GLX)
add_executable(window_holder window_holder.c)
target_link_libraries(window_holder PRIVATE X11::X11 OpenGL::GLX)
add_test(NAME x11_e2e_test COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/x11_e2e_test.sh
  $<TARGET_FILE:velthra> $<TARGET_FILE:window_holder> ${CMAKE_BINARY_DIR}/velthra.xml)
set_tests_properties(x11_e2e_test PROPERTIES TIMEOUT 180)

#pragma once
// The one main window: a GLFW window with an OpenGL 3.3 core context, the interface
// back ends, and the callbacks that feed keys, drops and input activity to the
// application.
#include <string>

struct GLFWwindow;

namespace vn {

struct AppState;

// Creates the window "Varnel" (X11 class "Varnel") sized to the monitor, scaled by its
// content scale; null with a reason in error when there is no display or no OpenGL 3.3.
GLFWwindow* createMainWindow(AppState& app, std::string& error);

// Starts the interface context on the window: back ends, fonts and theme for the
// window's content scale. Returns the interface scale.
float startInterface(GLFWwindow* window);

// The font size preference in force: the automatic size is the medium one.
int effectiveFontPreset(const AppState& app);
// Builds the fonts again for the font size preference (between frames only).
void reloadInterfaceFonts(AppState& app);

void stopInterface();
void destroyMainWindow(GLFWwindow* window);

}  // namespace vn

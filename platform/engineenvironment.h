#pragma once

// Settings the embedded browser needs before the application object exists.
namespace EngineEnvironment {

void prepare();

// The OpenGL context the engine shares its pages through. Made only when the
// engine is about to start: on a machine without a graphics driver, OpenGL
// in software alone costs some 50 MB.
void prepareShareContext();

} // namespace EngineEnvironment

#pragma once

// Settings the embedded browser needs before the application object exists.
namespace EngineEnvironment {

void prepare();

} // namespace EngineEnvironment

#pragma once
// Shader programs of the renderer, built from GLSL source with the context
// current.
namespace kestrel::render {

// Compiles and links a vertex and a fragment shader; throws
// std::runtime_error with the driver's log when either fails.
unsigned LinkProgram(const char* vertexSource, const char* fragmentSource);

}  // namespace kestrel::render

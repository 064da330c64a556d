#include "app/render/gl_program.h"

#include <stdexcept>
#include <string>

#include "app/render/gl_api.h"

namespace kestrel::render {
namespace {

// Throws with the driver's log of a shader or program that failed, after
// deleting it.
template <class GetLog, class Delete>
void CheckBuilt(GLuint id, GLint ok, GetLog getLog, Delete destroy, const char* what) {
  if (ok) return;
  char log[2048] = {};
  getLog(id, sizeof log, nullptr, log);
  destroy(id);
  throw std::runtime_error(std::string("OpenGL ") + what + ": " + log);
}

GLuint CompileShader(GLenum kind, const char* source) {
  GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  CheckBuilt(shader, ok, glGetShaderInfoLog, glDeleteShader, "shader does not compile");
  return shader;
}

}  // namespace

unsigned LinkProgram(const char* vertexSource, const char* fragmentSource) {
  GLuint vs = CompileShader(GL_VERTEX_SHADER, vertexSource);
  GLuint fs = CompileShader(GL_FRAGMENT_SHADER, fragmentSource);
  GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  CheckBuilt(program, ok, glGetProgramInfoLog, glDeleteProgram, "program does not link");
  return program;
}

}  // namespace kestrel::render

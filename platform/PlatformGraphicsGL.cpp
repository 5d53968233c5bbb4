// The OpenGL 3.3 core back end of the graphics device (see PlatformGraphicsBackend.h), drawing
// on the window's context through libepoxy. It implements:
//   - the context check and the capabilities read from the driver (texture size, GLSL version);
//   - batches of sprites as triangles from one streamed vertex buffer (each corner carrying its
//     sprite's constants as attributes), the five vertex and fourteen pixel programs as GLSL,
//     and their linking in pairs;
//   - textures in the six pixel formats (swizzled to sample as the format means), render
//     targets as frame buffers (16-bit ones widened to 32 bits where a driver refuses them),
//     uploads through a staging copy, fills and read-backs;
//   - the back buffer, drawn directly into the window when its surface has the back buffer's
//     size, else through a frame buffer of its own size stretched onto the window at present;
//   - viewports in the window system's bottom-up rows, clears limited to the viewport,
//     premultiplied blending, point or linear samplers per stage, draws and presents;
//   - reading the back buffer as top-down rows, and painting the paused still.
#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/PlatformGraphicsBackend.h"
#include "platform/PlatformWindow.h"
#include "platform/PlatformWindowSdl.h"

namespace tv {

namespace {

constexpr GLuint MaintenanceUnit = 7;  // texture unit for uploads, never one a sprite stage uses

// A sprite's constants travel with its vertices (it is drawn in a batch with its neighbours):
// position rows c9 and c10, the stage transforms c0..c3, the tint and the parameter are vertex
// attributes; only the projection c8, shared by the batch, is a uniform.
struct TProgram {
  GLuint Name = 0;
  GLint Projection = -1;
};

// The streamed vertex of one sprite corner, attribute by attribute (location, floats).
constexpr GLuint AttribPosition = 0;  // 2 floats, 3 for a three-float position declaration
constexpr GLuint AttribTexCoord = 1;  // 2
constexpr GLuint AttribRow0 = 2;      // 3
constexpr GLuint AttribRow1 = 3;      // 3
constexpr GLuint AttribStage0 = 4;    // 4 each, stages 0..3 at 4..7
constexpr GLuint AttribTint = 8;      // 4
constexpr GLuint AttribParam = 9;     // 1
constexpr int32_t VertexFloatsAfterPosition = 2 + 3 + 3 + 16 + 4 + 1;
// The streamed buffer: filled batch after batch, orphaned when full.
constexpr GLsizeiptr StreamBytes = GLsizeiptr{4} << 20;

// ---- Program sources --------------------------------------------------------------------------

std::string VertexSource(int32_t Stages) {
  std::ostringstream s;
  s << "#version 330 core\n"
       "layout(location = 0) in vec3 InPosition;\n"
       "layout(location = 1) in vec2 InTexCoord;\n"
       "layout(location = 2) in vec3 InRow0;\n"
       "layout(location = 3) in vec3 InRow1;\n";
  for (int32_t i = 0; i < Stages; ++i) s << "layout(location = " << 4 + i << ") in vec4 InStage" << i << ";\n";
  s << "layout(location = 8) in vec4 InTint;\n"
       "layout(location = 9) in float InParam;\n"
       "uniform vec4 Projection;\n"
       "flat out vec4 Tint;\n"
       "flat out float Param;\n";
  for (int32_t i = 0; i < Stages; ++i) s << "out vec2 Tex" << i << ";\n";
  s << "void main() {\n"
       "  vec3 q = vec3(InPosition.xy, 1.0);\n"
       "  vec2 p = vec2(dot(InRow0, q), dot(InRow1, q));\n"
       "  gl_Position = vec4(p.x * Projection.x, p.y * Projection.y, Projection.z, Projection.w);\n"
       "  Tint = InTint;\n"
       "  Param = InParam;\n";
  for (int32_t i = 0; i < Stages; ++i)
    s << "  Tex" << i << " = InTexCoord * InStage" << i << ".xy + InStage" << i << ".zw;\n";
  s << "}\n";
  return s.str();
}

// The results of the fourteen shading modes on premultiplied texels; C is the tint, P the
// parameter. over(A, B) lays B over A.
const char* const PixelBodies[PixelProgramCount] = {
    /* Default */ "r = t0() * C;",
    /* OnlyTint */ "r = C;",
    /* Grayscale */
    "vec4 q = t0() * C; float g = dot(q.rgb, vec3(0.3125, 0.4375, 0.25)); r = vec4(g, g, g, q.a);",
    /* Sepia */
    "vec4 q = t0() * C; float g = dot(q.rgb, vec3(0.3125, 0.4375, 0.25)); r = vec4(g * vec3(1.0, 0.9, 0.7), q.a);",
    /* Blend1 */ "r = over(t0() * C, t1());",
    /* Blend2 */ "r = over(over(t0() * C, t1()), t2());",
    /* Blend3 */ "r = over(over(over(t0() * C, t1()), t2()), t3());",
    /* MultiplyColor1 */ "vec4 a = t0(); r = vec4(a.rgb * t1().rgb * C.rgb, a.a * C.a);",
    /* Multiply1 */ "r = t0() * t1() * C;",
    /* AlphaMask */ "r = t0() * C * t1().a;",
    /* AlphaInvMask */ "r = t0() * C * (1.0 - t1().a);",
    /* Morphing */ "r = (P * t1() + (1.0 - P) * t0()) * C;",
    /* MapReveal */ "r = over(t2(), t3()) * min(1.0, C.a * t1().a + t0().a);",
    /* PropIcon */
    ("vec4 q = over(t0() * C, t1()); float g = dot(q.rgb, vec3(0.2344, 0.3281, 0.1875));"
     " r = vec4(P * q.rgb + (1.0 - P) * vec3(g), q.a);"),
};
std::string PixelSource(int32_t Index) {
  const int32_t stages = PixelStages[Index];
  std::ostringstream s;
  s << "#version 330 core\n"
       "flat in vec4 Tint;\n"
       "flat in float Param;\n"
       "out vec4 Result;\n";
  for (int32_t i = 0; i < stages; ++i) {
    s << "in vec2 Tex" << i << ";\nuniform sampler2D T" << i << ";\n";
    s << "vec4 t" << i << "() { return texture(T" << i << ", Tex" << i << "); }\n";
  }
  s << "vec4 over(vec4 a, vec4 b) { return a * (1.0 - b.a) + b; }\n"
       "void main() {\n"
       "  vec4 C = Tint;\n"
       "  float P = Param;\n"
       "  vec4 r;\n"
       "  "
    << PixelBodies[Index]
    << "\n"
       // The alpha test compares the stored 8-bit alpha with 0: what would be stored as 0 is
       // dropped. Every target is of 8-bit channels, which clamp the result to 0..1 themselves.
       "  if (r.a * 255.0 < 0.5) discard;\n"
       "  Result = r;\n"
       "}\n";
  return s.str();
}

GLuint CompileShader(GLenum Kind, const std::string& Source) {
  const GLuint shader = glCreateShader(Kind);
  const char* text = Source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok == 0) {
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

// ---- Formats ------------------------------------------------------------------------------

struct TGLFormat {
  GLint Internal = 0;
  GLenum Format = 0;
  GLenum Type = 0;
  GLint Swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
};

bool GLFormatOf(TPixelFormat Format, TGLFormat& Out) {
  switch (Format) {
    case TPixelFormat::A8R8G8B8:
      Out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
      return true;
    case TPixelFormat::X8R8G8B8:
      Out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
      return true;
    case TPixelFormat::R5G6B5:
      Out = {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
      return true;
    case TPixelFormat::A8: Out = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ONE, GL_ONE, GL_ONE, GL_RED}}; return true;
    case TPixelFormat::L8: Out = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}}; return true;
    case TPixelFormat::A8L8: Out = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_GREEN}}; return true;
    case TPixelFormat::Unknown: break;
  }
  return false;
}

void SetClearColor(uint32_t Argb) {
  glClearColor(static_cast<float>((Argb >> 16) & 0xFF) / 255.0f, static_cast<float>((Argb >> 8) & 0xFF) / 255.0f,
               static_cast<float>(Argb & 0xFF) / 255.0f, static_cast<float>(Argb >> 24) / 255.0f);
}

// The pixels of the window's drawing surface. The off-screen driver reports the window's latest
// size while its surface keeps the size the window was made with: there the surface is asked.
void DrawableSize(int32_t& Width, int32_t& Height) {
  int w = 0;
  int h = 0;
  if (PlatformWindowHandle() != nullptr) SDL_GL_GetDrawableSize(PlatformWindowHandle(), &w, &h);
  const char* driver = SDL_GetCurrentVideoDriver();
  int sw = 0;
  int sh = 0;
  if (driver != nullptr && std::strcmp(driver, "offscreen") == 0 && PlatformSurfaceSize(sw, sh)) {
    w = sw;
    h = sh;
  }
  Width = w;
  Height = h;
}

bool TargetIsTexture() { return GfxState().Target != nullptr; }

class TOpenGLBackend final : public TGfxBackendDevice {
 public:
  bool Available() override { return HasGLContext() && epoxy_gl_version() >= 33 && epoxy_is_desktop_gl() != 0; }

  bool ReadCaps(TGfxCaps& Caps) override {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    Caps.MaxTextureSize = std::clamp<int32_t>(size, 1, 16384);
    const char* version = reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION));
    if (version == nullptr) return false;
    int major = 0;
    int minor = 0;
    if (std::sscanf(version, "%d.%d", &major, &minor) < 2) return false;
    Caps.PixelProgramVersion = major * 100 + minor;
    return true;
  }

  bool CreateDevice() override {
    if (SDL_GL_MakeCurrent(PlatformWindowHandle(), SDL_GL_GetCurrentContext()) != 0) return false;
    glGenSamplers(2, Samplers);
    for (int i = 0; i < 2; ++i) {
      const GLint filter = i == 0 ? GL_NEAREST : GL_LINEAR;
      glSamplerParameteri(Samplers[i], GL_TEXTURE_MIN_FILTER, filter);
      glSamplerParameteri(Samplers[i], GL_TEXTURE_MAG_FILTER, filter);
    }
    SyncBackBuffer();
    return true;
  }

  // The quads' corners and texture coordinates are kept for writing the streamed vertices; the
  // device holds the streamed buffer, its vertex layout and an index buffer of two triangles a
  // sprite, in the strip's order (top-left, top-right, bottom-left; bottom-left, top-right,
  // bottom-right).
  bool CreateQuads(const float (&UV)[8][4][2]) override {
    std::memcpy(QuadUV, UV, sizeof QuadUV);
    PositionFloats = GfxState().TwoComponent ? 2 : 3;
    VertexFloats = PositionFloats + VertexFloatsAfterPosition;
    const GLsizei stride = static_cast<GLsizei>(sizeof(float)) * VertexFloats;
    glGenVertexArrays(1, &StreamVao);
    glGenBuffers(1, &StreamVbo);
    glGenBuffers(1, &QuadIndices);
    glBindVertexArray(StreamVao);
    glBindBuffer(GL_ARRAY_BUFFER, StreamVbo);
    glBufferData(GL_ARRAY_BUFFER, StreamBytes, nullptr, GL_STREAM_DRAW);
    StreamOffset = 0;
    auto attribute = [&](GLuint Location, GLint Size, int32_t FloatOffset) {
      glEnableVertexAttribArray(Location);
      glVertexAttribPointer(Location, Size, GL_FLOAT, GL_FALSE, stride,
                            reinterpret_cast<const void*>(sizeof(float) * static_cast<size_t>(FloatOffset)));
    };
    const int32_t p = PositionFloats;
    attribute(AttribPosition, PositionFloats, 0);
    attribute(AttribTexCoord, 2, p);
    attribute(AttribRow0, 3, p + 2);
    attribute(AttribRow1, 3, p + 5);
    for (GLuint i = 0; i < 4; ++i) attribute(AttribStage0 + i, 4, p + 8 + 4 * static_cast<int32_t>(i));
    attribute(AttribTint, 4, p + 24);
    attribute(AttribParam, 1, p + 28);
    std::vector<GLushort> indices(static_cast<size_t>(BatchCapacity) * 6);
    for (int32_t q = 0; q < BatchCapacity; ++q) {
      const auto v = static_cast<GLushort>(q * 4);
      const GLushort quad[6] = {v,
                                static_cast<GLushort>(v + 1),
                                static_cast<GLushort>(v + 2),
                                static_cast<GLushort>(v + 2),
                                static_cast<GLushort>(v + 1),
                                static_cast<GLushort>(v + 3)};
      std::copy(std::begin(quad), std::end(quad), indices.begin() + q * 6);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, QuadIndices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLushort)), indices.data(),
                 GL_STATIC_DRAW);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return glGetError() == GL_NO_ERROR;
  }

  bool CreateVertexProgram(int32_t Index, int32_t Stages) override {
    VertexShaders[Index] = CompileShader(GL_VERTEX_SHADER, VertexSource(Stages));
    return VertexShaders[Index] != 0;
  }

  bool CreatePixelProgram(int32_t Index) override {
    PixelShaders[Index] = CompileShader(GL_FRAGMENT_SHADER, PixelSource(Index));
    return PixelShaders[Index] != 0;
  }

  bool LinkPrograms(int32_t VertexProgram, int32_t PixelProgram) override {
    TProgram& p = Programs[VertexProgram][PixelProgram];
    if (p.Name != 0) return true;
    if (VertexShaders[VertexProgram] == 0 || PixelShaders[PixelProgram] == 0) return false;
    const GLuint program = glCreateProgram();
    glAttachShader(program, VertexShaders[VertexProgram]);
    glAttachShader(program, PixelShaders[PixelProgram]);
    glLinkProgram(program);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok == 0) {
      glDeleteProgram(program);
      return false;
    }
    p.Name = program;
    p.Projection = glGetUniformLocation(program, "Projection");
    glUseProgram(program);
    for (int i = 0; i < 4; ++i) {
      const std::string name = "T" + std::to_string(i);
      const GLint location = glGetUniformLocation(program, name.c_str());
      if (location >= 0) glUniform1i(location, i);
    }
    glUseProgram(0);
    return true;
  }

  void Destroy() override {
    if (GfxState().DeviceCreated && HasGLContext()) {
      glUseProgram(0);
      glBindVertexArray(0);
      for (auto& row : Programs) {
        for (TProgram& p : row) {
          if (p.Name != 0) glDeleteProgram(p.Name);
        }
      }
      for (GLuint s : VertexShaders) {
        if (s != 0) glDeleteShader(s);
      }
      for (GLuint s : PixelShaders) {
        if (s != 0) glDeleteShader(s);
      }
      glDeleteBuffers(1, &StreamVbo);
      glDeleteBuffers(1, &QuadIndices);
      glDeleteVertexArrays(1, &StreamVao);
      glDeleteSamplers(2, Samplers);
      ReleaseBackFramebuffer();
      glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    StreamVao = StreamVbo = QuadIndices = 0;
    StreamOffset = 0;
    std::fill(std::begin(VertexShaders), std::end(VertexShaders), 0u);
    std::fill(std::begin(PixelShaders), std::end(PixelShaders), 0u);
    for (auto& row : Programs) std::fill(std::begin(row), std::end(row), TProgram{});
    std::fill(std::begin(Samplers), std::end(Samplers), 0u);
    Program = nullptr;
    BackFramebuffer = BackColor = 0;
    BackFramebufferWidth = BackFramebufferHeight = 0;
  }

  // Draws straight into the window when its drawable has the back buffer's size; otherwise into
  // a frame buffer of that size, stretched onto the window at present time.
  void SyncBackBuffer() override {
    const TPresentParams& params = GfxState().Params;
    int32_t w = 0;
    int32_t h = 0;
    DrawableSize(w, h);
    // The off-screen driver's surface is a pixel format that llvmpipe rasterises through other
    // paths than the frame buffers of textures (its pictures differ at the edges of sprites by a
    // fraction of a pixel): there the frame is drawn into a frame buffer of our own, as every
    // picture the tests compare was, and copied at the same size.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool offscreen = driver != nullptr && std::strcmp(driver, "offscreen") == 0;
    const bool direct = !offscreen && w == params.Width && h == params.Height;
    if (direct) {
      ReleaseBackFramebuffer();
      return;
    }
    if (BackFramebuffer != 0 && BackFramebufferWidth == params.Width && BackFramebufferHeight == params.Height) {
      return;
    }
    ReleaseBackFramebuffer();
    if (params.Width <= 0 || params.Height <= 0) return;
    glGenRenderbuffers(1, &BackColor);
    glBindRenderbuffer(GL_RENDERBUFFER, BackColor);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, params.Width, params.Height);
    glGenFramebuffers(1, &BackFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, BackFramebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, BackColor);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    BackFramebufferWidth = params.Width;
    BackFramebufferHeight = params.Height;
  }

  void ApplyStates() override {
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
    for (GLuint sampler : Samplers) {
      glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
      glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
      glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    }
  }

  bool CreateTexture(TGfxTexture& Texture) override {
    TGLFormat gl;
    if (!GLFormatOf(Texture.Format, gl)) return false;
    while (glGetError() != GL_NO_ERROR) {
    }
    const int32_t width = Texture.Width;
    const int32_t height = Texture.Height;
    auto make = [&](const TGLFormat& f) {
      glActiveTexture(GL_TEXTURE0 + MaintenanceUnit);
      glGenTextures(1, &Texture.Name);
      glBindTexture(GL_TEXTURE_2D, Texture.Name);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
      glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, f.Swizzle);
      glTexImage2D(GL_TEXTURE_2D, 0, f.Internal, width, height, 0, f.Format, f.Type, nullptr);
      glBindTexture(GL_TEXTURE_2D, 0);
      glActiveTexture(GL_TEXTURE0);
      return glGetError() == GL_NO_ERROR;
    };
    if (!make(gl)) return false;
    if (Texture.RenderTarget) {
      glGenFramebuffers(1, &Texture.Framebuffer);
      glBindFramebuffer(GL_FRAMEBUFFER, Texture.Framebuffer);
      glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, Texture.Name, 0);
      if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        // 16-bit targets are optional on some drivers: keep the format's meaning in 32 bits.
        glDeleteTextures(1, &Texture.Name);
        Texture.Name = 0;
        TGLFormat wide;
        GLFormatOf(TPixelFormat::X8R8G8B8, wide);
        if (Texture.Format != TPixelFormat::R5G6B5 || !make(wide)) {
          BindTarget(GfxState().Target);
          return false;
        }
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, Texture.Name, 0);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
          BindTarget(GfxState().Target);
          return false;
        }
      }
      BindTarget(GfxState().Target);
    }
    return true;
  }

  void DeleteTexture(TGfxTexture& Texture, bool WasTarget) override {
    if (!HasGLContext()) return;
    if (WasTarget) glBindFramebuffer(GL_FRAMEBUFFER, BackFramebuffer);
    if (Texture.Framebuffer != 0) glDeleteFramebuffers(1, &Texture.Framebuffer);
    if (Texture.Name != 0) glDeleteTextures(1, &Texture.Name);
  }

  // Writes go to a staging copy, uploaded whole at unlock.
  void LockTexture(TGfxTexture& Texture, size_t Size) override { Texture.Bytes.assign(Size, 0); }

  void UnlockTexture(TGfxTexture& Texture) override {
    TGLFormat gl;
    GLFormatOf(Texture.Format, gl);
    glActiveTexture(GL_TEXTURE0 + MaintenanceUnit);
    glBindTexture(GL_TEXTURE_2D, Texture.Name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, Texture.Width, Texture.Height, gl.Format, gl.Type, Texture.Bytes.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    Texture.Bytes.clear();
    Texture.Bytes.shrink_to_fit();
  }

  // Only render targets can be filled (through their frame buffer).
  void FillTexture(TGfxTexture& Texture, uint32_t Argb) override {
    if (Texture.Framebuffer == 0) return;
    glBindFramebuffer(GL_FRAMEBUFFER, Texture.Framebuffer);
    glDisable(GL_SCISSOR_TEST);
    SetClearColor(Argb);
    glClear(GL_COLOR_BUFFER_BIT);
    BindTarget(GfxState().Target);
  }

  std::vector<uint8_t> ReadTexture(TGfxTexture& Texture) override {
    TGLFormat gl;
    GLFormatOf(Texture.Format, gl);
    const size_t size = static_cast<size_t>(Texture.Width) * static_cast<size_t>(Texture.Height) *
                        static_cast<size_t>(FormatBytesPerPixel(Texture.Format));
    std::vector<uint8_t> bytes(size);
    glActiveTexture(GL_TEXTURE0 + MaintenanceUnit);
    glBindTexture(GL_TEXTURE_2D, Texture.Name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    // The swizzle applies to sampling only; reading returns the stored channels in the format's layout.
    glGetTexImage(GL_TEXTURE_2D, 0, gl.Format, gl.Type, bytes.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    return bytes;
  }

  void BindTarget(TGfxTexture* Target) override {
    if (Target != nullptr && Target->Framebuffer != 0) {
      glBindFramebuffer(GL_FRAMEBUFFER, Target->Framebuffer);
    } else {
      glBindFramebuffer(GL_FRAMEBUFFER, BackFramebuffer);
    }
  }

  void SetViewport(int32_t Width, int32_t Height) override {
    if (TargetIsTexture()) {
      // Drawn upside down (see SetConstants), so the picture's top row is the texture's row 0.
      glViewport(0, 0, Width, Height);
      glScissor(0, 0, Width, Height);
    } else {
      // The back buffer's top-left corner, in the window system's bottom-up rows.
      const int32_t y = GfxState().Params.Height - Height;
      glViewport(0, y, Width, Height);
      glScissor(0, y, Width, Height);
    }
  }

  void Clear(uint32_t Argb) override {
    // A clear covers the viewport only, as on the device this layer stands in for.
    glEnable(GL_SCISSOR_TEST);
    SetClearColor(Argb);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
  }

  void SetFrameStates() override {
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
  }

  void SetBlend(bool Enabled) override {
    if (Enabled) {
      glEnable(GL_BLEND);
    } else {
      glDisable(GL_BLEND);
    }
  }

  void ProgramChanged(int32_t Index) override {
    Program = nullptr;
    if (Index < 0) glUseProgram(0);
  }

  void SetTexture(int32_t Stage, TGfxTexture* Texture) override {
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(Stage));
    const bool usable = Texture != nullptr && Texture->Generation == GfxState().Generation;
    glBindTexture(GL_TEXTURE_2D, usable ? Texture->Name : 0);
  }

  void SetFilter(int32_t Stage, bool Linear) override {
    glBindSampler(static_cast<GLuint>(Stage), Samplers[Linear ? 1 : 0]);
  }

  void DrawBatch(const TGfxSprite* Sprites, int32_t Count, const float (&Projection)[4]) override {
    if (Program == nullptr) {
      const TGfxState& s = GfxState();
      if (s.CurrentVertex < 0 || s.CurrentPixel < 0) return;
      const TProgram& p = Programs[s.CurrentVertex][s.CurrentPixel];
      if (p.Name == 0) return;
      glUseProgram(p.Name);
      Program = &p;
    }
    // Texture rows run top-down in this layer: the projection's y is flipped for a texture target
    // so that the picture's top lands in row 0.
    const float y = TargetIsTexture() ? -Projection[1] : Projection[1];
    glUniform4f(Program->Projection, Projection[0], y, Projection[2], Projection[3]);

    const size_t stride = sizeof(float) * static_cast<size_t>(VertexFloats);
    const size_t bytes = stride * 4 * static_cast<size_t>(Count);
    // Batches start on a whole vertex, so that the base vertex finds them.
    GLsizeiptr offset = (StreamOffset + static_cast<GLsizeiptr>(stride) - 1) / static_cast<GLsizeiptr>(stride) *
                        static_cast<GLsizeiptr>(stride);
    glBindVertexArray(StreamVao);
    glBindBuffer(GL_ARRAY_BUFFER, StreamVbo);
    GLbitfield access = GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT;
    if (offset + static_cast<GLsizeiptr>(bytes) > StreamBytes) {
      // Full: a fresh store for the next batches; the draws already made keep the old one.
      offset = 0;
      access = GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT;
    }
    auto* out = static_cast<float*>(glMapBufferRange(GL_ARRAY_BUFFER, offset, static_cast<GLsizeiptr>(bytes), access));
    if (out == nullptr) return;
    static const float Corners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, 0.5f}};
    for (int32_t i = 0; i < Count; ++i) {
      const TGfxSprite& sprite = Sprites[i];
      const auto orientation = std::clamp(static_cast<int32_t>(sprite.Orientation), 0, 7);
      for (int32_t v = 0; v < 4; ++v) {
        out[0] = Corners[v][0];
        out[1] = Corners[v][1];
        if (PositionFloats == 3) out[2] = 0;
        float* a = out + PositionFloats;
        a[0] = QuadUV[orientation][v][0];
        a[1] = QuadUV[orientation][v][1];
        std::memcpy(a + 2, sprite.Row0, sizeof sprite.Row0);
        std::memcpy(a + 5, sprite.Row1, sizeof sprite.Row1);
        std::memcpy(a + 8, sprite.Stage, sizeof sprite.Stage);
        std::memcpy(a + 24, sprite.Tint, sizeof sprite.Tint);
        a[28] = sprite.Param;
        out += VertexFloats;
      }
    }
    glUnmapBuffer(GL_ARRAY_BUFFER);
    StreamOffset = offset + static_cast<GLsizeiptr>(bytes);
    glDrawElementsBaseVertex(GL_TRIANGLES, Count * 6, GL_UNSIGNED_SHORT, nullptr,
                             static_cast<GLint>(offset / static_cast<GLsizeiptr>(stride)));
  }

  void Present() override {
    if (BackFramebuffer != 0) {
      int32_t w = 0;
      int32_t h = 0;
      DrawableSize(w, h);
      glBindFramebuffer(GL_READ_FRAMEBUFFER, BackFramebuffer);
      glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
      glBlitFramebuffer(0, 0, BackFramebufferWidth, BackFramebufferHeight, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_LINEAR);
      glBindFramebuffer(GL_FRAMEBUFFER, BackFramebuffer);
    }
    PlatformSwap();
  }

  std::vector<uint8_t> ReadBackBuffer(int32_t& Width, int32_t& Height) override {
    const int32_t w = GfxState().Params.Width;
    const int32_t h = GfxState().Params.Height;
    std::vector<uint8_t> rows(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, BackFramebuffer);
    if (BackFramebuffer == 0) glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    BindTarget(GfxState().Target);
    const size_t stride = static_cast<size_t>(w) * 4;
    std::vector<uint8_t> flipped(rows.size());
    for (int32_t y = 0; y < h; ++y) {
      std::memcpy(flipped.data() + static_cast<size_t>(y) * stride,
                  rows.data() + static_cast<size_t>(h - 1 - y) * stride, stride);
      for (size_t x = 3; x < stride; x += 4) flipped[static_cast<size_t>(y) * stride + x] = 255;
    }
    Width = w;
    Height = h;
    return flipped;
  }

  void PaintStill(const std::vector<uint16_t>& Pixels, int32_t Width, int32_t Height) override {
    GLuint texture = 0;
    GLuint framebuffer = 0;
    glActiveTexture(GL_TEXTURE0 + MaintenanceUnit);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB565, Width, Height, 0, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, Pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    int32_t w = 0;
    int32_t h = 0;
    DrawableSize(w, h);
    glDisable(GL_SCISSOR_TEST);
    // The picture's rows run top-down: its row 0 goes to the top of the window.
    glBlitFramebuffer(0, 0, Width, Height, 0, h, w, 0, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
    PlatformSwap();
    BindTarget(GfxState().Target);
  }

 private:
  void ReleaseBackFramebuffer() {
    if (BackFramebuffer != 0) glDeleteFramebuffers(1, &BackFramebuffer);
    if (BackColor != 0) glDeleteRenderbuffers(1, &BackColor);
    BackFramebuffer = BackColor = 0;
    BackFramebufferWidth = BackFramebufferHeight = 0;
  }

  // The streamed sprite vertices, their layout and the index buffer of the quads.
  GLuint StreamVao = 0;
  GLuint StreamVbo = 0;
  GLuint QuadIndices = 0;
  GLsizeiptr StreamOffset = 0;
  float QuadUV[8][4][2] = {};
  int32_t PositionFloats = 2;
  int32_t VertexFloats = 2 + VertexFloatsAfterPosition;
  GLuint VertexShaders[VertexProgramCount] = {};
  GLuint PixelShaders[PixelProgramCount] = {};
  TProgram Programs[VertexProgramCount][PixelProgramCount] = {};
  GLuint Samplers[2] = {};
  const TProgram* Program = nullptr;  // in use on the context; null when it must be looked up

  // When the window's drawable differs from the back buffer's size, frames are drawn into this
  // frame buffer and stretched onto the window when presented.
  GLuint BackFramebuffer = 0;
  GLuint BackColor = 0;
  int32_t BackFramebufferWidth = 0;
  int32_t BackFramebufferHeight = 0;
};

}  // namespace

TGfxBackendDevice& GfxOpenGLBackend() {
  static TOpenGLBackend backend;
  return backend;
}

}  // namespace tv

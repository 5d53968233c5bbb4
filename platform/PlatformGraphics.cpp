#include "platform/PlatformGraphics.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/PlatformWindow.h"

namespace tv {

struct TGfxTexture {
  uint32_t Generation = 0;  // the device that made it; a texture outliving its device is a shell
  int32_t Width = 0;
  int32_t Height = 0;
  TPixelFormat Format = TPixelFormat::Unknown;
  bool RenderTarget = false;
  GLuint Name = 0;
  GLuint Framebuffer = 0;
  std::vector<uint8_t> Bytes;  // the memory back end's pixels; OpenGL's staging copy while locked
  bool Locked = false;
};

namespace {

constexpr int32_t VertexProgramCount = 5;
constexpr int32_t PixelProgramCount = 14;
constexpr GLuint MaintenanceUnit = 7;  // texture unit for uploads, never one a sprite stage uses

// The constants live in one uniform array K that both programs of a pair declare: K[0..10] are
// the vertex constants c0..c10, K[11..12] the pixel constants c0..c1. One upload a sprite.
struct TProgram {
  GLuint Name = 0;
  GLint Constants = -1;
};

struct TDevice {
  bool ObjectCreated = false;
  bool DeviceCreated = false;
  TGfxBackend Backend = TGfxBackend::Memory;
  uint32_t Generation = 1;
  TGfxCaps Caps;
  TPresentParams Params;
  bool Lost = false;
  int ProbesLeft = 0;

  GLuint Vao[8] = {};
  GLuint Vbo[8] = {};
  bool TwoComponent = true;
  bool HasDeclaration = false;
  GLuint VertexShaders[VertexProgramCount] = {};
  int32_t VertexStages[VertexProgramCount] = {};
  GLuint PixelShaders[PixelProgramCount] = {};
  TProgram Programs[VertexProgramCount][PixelProgramCount] = {};
  GLuint Samplers[2] = {};

  int32_t CurrentVertex = -1;
  int32_t CurrentPixel = -1;
  const TProgram* Program = nullptr;  // in use on the context; null when it must be looked up

  TGfxTexture* Target = nullptr;
  int32_t ViewportWidth = 0;
  int32_t ViewportHeight = 0;

  // When the window's drawable differs from the back buffer's size, frames are drawn into this
  // frame buffer and stretched onto the window when presented.
  GLuint BackFramebuffer = 0;
  GLuint BackColor = 0;
  int32_t BackFramebufferWidth = 0;
  int32_t BackFramebufferHeight = 0;

  std::function<void()> Observer;

  float LastVertex[11][4] = {};
  float LastPixel[2][4] = {};
  bool StageLinear[4] = {true, true, true, true};
};

TDevice Dev;
TGfxSwitches Switches;
TGfxStats Stats;

bool IsGL() { return Dev.Backend == TGfxBackend::OpenGL; }

bool IsPowerOf2(int32_t V) { return V > 0 && (V & (V - 1)) == 0; }

// ---- Program sources --------------------------------------------------------------------------

std::string VertexSource(int32_t Stages) {
  std::ostringstream s;
  s << "#version 330 core\n"
       "layout(location = 0) in vec3 InPosition;\n"
       "layout(location = 1) in vec2 InTexCoord;\n"
       "uniform vec4 K[13];\n";
  for (int32_t i = 0; i < Stages; ++i) s << "out vec2 Tex" << i << ";\n";
  s << "void main() {\n"
       "  vec3 q = vec3(InPosition.xy, 1.0);\n"
       "  vec2 p = vec2(dot(K[9].xyz, q), dot(K[10].xyz, q));\n"
       "  gl_Position = vec4(p.x * K[8].x, p.y * K[8].y, K[8].z, K[8].w);\n";
  for (int32_t i = 0; i < Stages; ++i) {
    s << "  Tex" << i << " = InTexCoord * K[" << i << "].xy + K[" << i << "].zw;\n";
  }
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
    "vec4 q = t0() * C; float g = dot(q.rgb, vec3(0.3125, 0.4375, 0.25));"
    " r = vec4(g * vec3(1.0, 0.9, 0.7), q.a);",
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
    "vec4 q = over(t0() * C, t1()); float g = dot(q.rgb, vec3(0.2344, 0.3281, 0.1875));"
    " r = vec4(P * q.rgb + (1.0 - P) * vec3(g), q.a);",
};
const int32_t PixelStages[PixelProgramCount] = {1, 0, 1, 1, 2, 3, 4, 2, 2, 2, 2, 2, 4, 2};

std::string PixelSource(int32_t Index) {
  const int32_t stages = PixelStages[Index];
  std::ostringstream s;
  s << "#version 330 core\n"
       "uniform vec4 K[13];\n"
       "out vec4 Result;\n";
  for (int32_t i = 0; i < stages; ++i) {
    s << "in vec2 Tex" << i << ";\nuniform sampler2D T" << i << ";\n";
    s << "vec4 t" << i << "() { return texture(T" << i << ", Tex" << i << "); }\n";
  }
  s << "vec4 over(vec4 a, vec4 b) { return a * (1.0 - b.a) + b; }\n"
       "void main() {\n"
       "  vec4 C = K[11];\n"
       "  float P = K[12].w;\n"
       "  vec4 r;\n"
       "  "
    << PixelBodies[Index]
    << "\n"
       "  r = clamp(r, 0.0, 1.0);\n"
       // The alpha test compares the stored 8-bit alpha with 0: what would be stored as 0 is dropped.
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
    case TPixelFormat::A8:
      Out = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ONE, GL_ONE, GL_ONE, GL_RED}};
      return true;
    case TPixelFormat::L8:
      Out = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}};
      return true;
    case TPixelFormat::A8L8:
      Out = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_GREEN}};
      return true;
    case TPixelFormat::Unknown:
      break;
  }
  return false;
}

// Writes one ARGB colour as a pixel of Format.
void StoreColor(TPixelFormat Format, uint32_t Argb, uint8_t* Pixel) {
  const uint8_t a = static_cast<uint8_t>(Argb >> 24);
  const uint8_t r = static_cast<uint8_t>(Argb >> 16);
  const uint8_t g = static_cast<uint8_t>(Argb >> 8);
  const uint8_t b = static_cast<uint8_t>(Argb);
  switch (Format) {
    case TPixelFormat::A8R8G8B8:
    case TPixelFormat::X8R8G8B8:
      Pixel[0] = b;
      Pixel[1] = g;
      Pixel[2] = r;
      Pixel[3] = a;
      break;
    case TPixelFormat::R5G6B5: {
      const uint16_t v = static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
      std::memcpy(Pixel, &v, 2);
      break;
    }
    case TPixelFormat::A8:
      Pixel[0] = a;
      break;
    case TPixelFormat::L8:
      Pixel[0] = r;
      break;
    case TPixelFormat::A8L8:
      Pixel[0] = r;
      Pixel[1] = a;
      break;
    case TPixelFormat::Unknown:
      break;
  }
}

void FillRows(TGfxTexture* Texture, int32_t Width, int32_t Height, uint32_t Argb) {
  const int32_t bpp = FormatBytesPerPixel(Texture->Format);
  uint8_t pixel[4] = {};
  StoreColor(Texture->Format, Argb, pixel);
  Width = std::min(Width, Texture->Width);
  Height = std::min(Height, Texture->Height);
  const size_t pitch = static_cast<size_t>(Texture->Width) * static_cast<size_t>(bpp);
  for (int32_t y = 0; y < Height; ++y) {
    uint8_t* row = Texture->Bytes.data() + static_cast<size_t>(y) * pitch;
    for (int32_t x = 0; x < Width; ++x) std::memcpy(row + static_cast<size_t>(x) * static_cast<size_t>(bpp), pixel, static_cast<size_t>(bpp));
  }
}

void SetClearColor(uint32_t Argb) {
  glClearColor(static_cast<float>((Argb >> 16) & 0xFF) / 255.0f, static_cast<float>((Argb >> 8) & 0xFF) / 255.0f,
               static_cast<float>(Argb & 0xFF) / 255.0f, static_cast<float>(Argb >> 24) / 255.0f);
}

// ---- The back buffer ----------------------------------------------------------------------

void ReleaseBackFramebuffer() {
  if (Dev.BackFramebuffer != 0) glDeleteFramebuffers(1, &Dev.BackFramebuffer);
  if (Dev.BackColor != 0) glDeleteRenderbuffers(1, &Dev.BackColor);
  Dev.BackFramebuffer = Dev.BackColor = 0;
  Dev.BackFramebufferWidth = Dev.BackFramebufferHeight = 0;
}

void DrawableSize(int32_t& Width, int32_t& Height) {
  int w = 0;
  int h = 0;
  if (PlatformWindowHandle() != nullptr) SDL_GL_GetDrawableSize(PlatformWindowHandle(), &w, &h);
  Width = w;
  Height = h;
}

// Draws straight into the window when its drawable has the back buffer's size; otherwise into
// a frame buffer of that size, stretched onto the window at present time.
void SyncBackBuffer() {
  if (!IsGL()) return;
  int32_t w = 0;
  int32_t h = 0;
  DrawableSize(w, h);
  // The off-screen video driver keeps the surface of the window's first size whatever size the
  // window is given later (while it reports the new size), so there every frame is drawn into a
  // frame buffer of our own.
  const char* driver = SDL_GetCurrentVideoDriver();
  const bool offscreen = driver != nullptr && std::strcmp(driver, "offscreen") == 0;
  const bool direct = !offscreen && w == Dev.Params.Width && h == Dev.Params.Height;
  if (direct) {
    ReleaseBackFramebuffer();
    return;
  }
  if (Dev.BackFramebuffer != 0 && Dev.BackFramebufferWidth == Dev.Params.Width &&
      Dev.BackFramebufferHeight == Dev.Params.Height) {
    return;
  }
  ReleaseBackFramebuffer();
  if (Dev.Params.Width <= 0 || Dev.Params.Height <= 0) return;
  glGenRenderbuffers(1, &Dev.BackColor);
  glBindRenderbuffer(GL_RENDERBUFFER, Dev.BackColor);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, Dev.Params.Width, Dev.Params.Height);
  glGenFramebuffers(1, &Dev.BackFramebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, Dev.BackFramebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, Dev.BackColor);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  Dev.BackFramebufferWidth = Dev.Params.Width;
  Dev.BackFramebufferHeight = Dev.Params.Height;
}

void BindTarget(TGfxTexture* Target) {
  if (!IsGL()) return;
  if (Target != nullptr && Target->Framebuffer != 0) {
    glBindFramebuffer(GL_FRAMEBUFFER, Target->Framebuffer);
  } else {
    glBindFramebuffer(GL_FRAMEBUFFER, Dev.BackFramebuffer);
  }
}

bool TargetIsTexture() { return Dev.Target != nullptr; }

}  // namespace

// ---- Formats and switches ---------------------------------------------------------------------

int32_t FormatBytesPerPixel(TPixelFormat Format) {
  switch (Format) {
    case TPixelFormat::A8R8G8B8:
    case TPixelFormat::X8R8G8B8:
      return 4;
    case TPixelFormat::R5G6B5:
    case TPixelFormat::A8L8:
      return 2;
    case TPixelFormat::A8:
    case TPixelFormat::L8:
      return 1;
    case TPixelFormat::Unknown:
      break;
  }
  return 0;
}

TPixelFormat PixelFormatOf(int32_t Raw) {
  switch (Raw) {
    case 21:
    case 22:
    case 23:
    case 28:
    case 50:
    case 51:
      return static_cast<TPixelFormat>(Raw);
    default:
      return TPixelFormat::Unknown;
  }
}

TGfxSwitches& GfxSwitches() { return Switches; }
TGfxStats& GfxStats() { return Stats; }

void GfxLastConstants(float (&Vertex)[11][4], float (&Pixel)[2][4]) {
  std::memcpy(Vertex, Dev.LastVertex, sizeof Dev.LastVertex);
  std::memcpy(Pixel, Dev.LastPixel, sizeof Dev.LastPixel);
}

bool GfxFilterLinear(int32_t Stage) { return Stage >= 0 && Stage < 4 && Dev.StageLinear[Stage]; }

void ParseGfxSwitches(const std::string& Text, TGfxSwitches& S) {
  std::istringstream list(Text);
  std::string item;
  while (std::getline(list, item, ',')) {
    const size_t eq = item.find('=');
    if (eq == std::string::npos) continue;
    const std::string name = item.substr(0, eq);
    const int value = std::atoi(item.c_str() + eq + 1);
    if (name == "nonpow2") S.NonPow2 = value;
    else if (name == "a8") S.A8 = value;
    else if (name == "l8") S.L8 = value;
    else if (name == "a8l8") S.A8L8 = value;
    else if (name == "position2") S.TwoComponentPosition = value;
    else if (name == "lose-on-present") S.LoseOnPresent = value;
    else if (name == "lost-probes") S.LostProbes = value;
    else if (name == "fail-reset") S.FailReset = value != 0;
    else if (name == "fail-vertex") S.FailVertexProgram = value;
    else if (name == "fail-pixel") S.FailPixelProgram = value;
    else if (name == "old-programs") S.OldPrograms = value != 0;
    else if (name == "no-device") S.NoDevice = value != 0;
  }
}

// ---- Device life ------------------------------------------------------------------------------

bool GfxCreateObject(TGfxBackend Backend) {
  if (const char* text = std::getenv("TOLVAREN_GRAPHICS")) ParseGfxSwitches(text, Switches);
  Dev.Backend = Backend;
  if (Switches.NoDevice) return false;
  if (Backend == TGfxBackend::OpenGL) {
    if (!HasGLContext()) return false;
    if (epoxy_gl_version() < 33 || epoxy_is_desktop_gl() == 0) return false;
  }
  Dev.ObjectCreated = true;
  return true;
}

bool GfxGetCaps(TGfxCaps& Caps) {
  if (!Dev.ObjectCreated) return false;
  TGfxCaps caps;
  if (IsGL()) {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    caps.MaxTextureSize = std::clamp<int32_t>(size, 1, 16384);
    const char* version = reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION));
    if (version == nullptr) return false;
    int major = 0;
    int minor = 0;
    if (std::sscanf(version, "%d.%d", &major, &minor) < 2) return false;
    caps.PixelProgramVersion = major * 100 + minor;
  } else {
    caps.MaxTextureSize = 16384;
    caps.PixelProgramVersion = RequiredProgramVersion;
  }
  caps.VertexProgramVersion = caps.PixelProgramVersion;
  if (Switches.OldPrograms) caps.PixelProgramVersion = caps.VertexProgramVersion = 110;
  if (Switches.NonPow2 >= 0) caps.NonPow2 = Switches.NonPow2 != 0;
  if (Switches.A8 >= 0) caps.A8 = Switches.A8 != 0;
  if (Switches.L8 >= 0) caps.L8 = Switches.L8 != 0;
  if (Switches.A8L8 >= 0) caps.A8L8 = Switches.A8L8 != 0;
  if (Switches.TwoComponentPosition >= 0) caps.TwoComponentPosition = Switches.TwoComponentPosition != 0;
  Dev.Caps = caps;
  Caps = caps;
  return true;
}

bool GfxCreateDevice(const TPresentParams& Params) {
  if (!Dev.ObjectCreated) return false;
  Dev.Params = Params;
  Dev.Lost = false;
  Dev.DeviceCreated = true;
  if (IsGL()) {
    if (SDL_GL_MakeCurrent(PlatformWindowHandle(), SDL_GL_GetCurrentContext()) != 0) {
      Dev.DeviceCreated = false;
      return false;
    }
    glGenSamplers(2, Dev.Samplers);
    for (int i = 0; i < 2; ++i) {
      const GLint filter = i == 0 ? GL_NEAREST : GL_LINEAR;
      glSamplerParameteri(Dev.Samplers[i], GL_TEXTURE_MIN_FILTER, filter);
      glSamplerParameteri(Dev.Samplers[i], GL_TEXTURE_MAG_FILTER, filter);
    }
    SyncBackBuffer();
  }
  return true;
}

bool GfxCreateVertexDeclaration(bool TwoComponentPosition) {
  if (!Dev.DeviceCreated) return false;
  if (TwoComponentPosition && !Dev.Caps.TwoComponentPosition) return false;
  Dev.TwoComponent = TwoComponentPosition;
  Dev.HasDeclaration = true;
  return true;
}

bool GfxCreateQuads(const float (&UV)[8][4][2]) {
  if (!Dev.HasDeclaration) return false;
  if (!IsGL()) return true;
  static const float Corners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, 0.5f}};
  const int32_t positionSize = Dev.TwoComponent ? 2 : 3;
  const int32_t floats = positionSize + 2;
  glGenVertexArrays(8, Dev.Vao);
  glGenBuffers(8, Dev.Vbo);
  for (int o = 0; o < 8; ++o) {
    float data[4 * 5] = {};
    for (int v = 0; v < 4; ++v) {
      float* vertex = data + v * floats;
      vertex[0] = Corners[v][0];
      vertex[1] = Corners[v][1];
      if (positionSize == 3) vertex[2] = 0;
      vertex[positionSize] = UV[o][v][0];
      vertex[positionSize + 1] = UV[o][v][1];
    }
    glBindVertexArray(Dev.Vao[o]);
    glBindBuffer(GL_ARRAY_BUFFER, Dev.Vbo[o]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof(float) * 4 * static_cast<size_t>(floats)), data,
                 GL_STATIC_DRAW);
    const GLsizei stride = static_cast<GLsizei>(sizeof(float)) * floats;
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, positionSize, GL_FLOAT, GL_FALSE, stride, nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(sizeof(float) * static_cast<size_t>(positionSize)));
  }
  glBindVertexArray(0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  return glGetError() == GL_NO_ERROR;
}

bool GfxCreateVertexProgram(int32_t Index, int32_t Stages) {
  if (!Dev.DeviceCreated || Index < 0 || Index >= VertexProgramCount) return false;
  if (Switches.FailVertexProgram == Index) return false;
  Dev.VertexStages[Index] = Stages;
  if (!IsGL()) return true;
  Dev.VertexShaders[Index] = CompileShader(GL_VERTEX_SHADER, VertexSource(Stages));
  return Dev.VertexShaders[Index] != 0;
}

bool GfxCreatePixelProgram(int32_t Index) {
  if (!Dev.DeviceCreated || Index < 0 || Index >= PixelProgramCount) return false;
  if (Switches.FailPixelProgram == Index) return false;
  if (!IsGL()) return true;
  Dev.PixelShaders[Index] = CompileShader(GL_FRAGMENT_SHADER, PixelSource(Index));
  return Dev.PixelShaders[Index] != 0;
}

bool GfxLinkPrograms(int32_t VertexProgram, int32_t PixelProgram) {
  if (VertexProgram < 0 || VertexProgram >= VertexProgramCount || PixelProgram < 0 || PixelProgram >= PixelProgramCount) {
    return false;
  }
  if (Dev.VertexStages[VertexProgram] < PixelStages[PixelProgram]) return false;
  if (!IsGL()) return true;
  TProgram& p = Dev.Programs[VertexProgram][PixelProgram];
  if (p.Name != 0) return true;
  if (Dev.VertexShaders[VertexProgram] == 0 || Dev.PixelShaders[PixelProgram] == 0) return false;
  const GLuint program = glCreateProgram();
  glAttachShader(program, Dev.VertexShaders[VertexProgram]);
  glAttachShader(program, Dev.PixelShaders[PixelProgram]);
  glLinkProgram(program);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok == 0) {
    glDeleteProgram(program);
    return false;
  }
  p.Name = program;
  p.Constants = glGetUniformLocation(program, "K");
  glUseProgram(program);
  for (int i = 0; i < 4; ++i) {
    const std::string name = "T" + std::to_string(i);
    const GLint location = glGetUniformLocation(program, name.c_str());
    if (location >= 0) glUniform1i(location, i);
  }
  glUseProgram(0);
  return true;
}

void GfxDestroy() {
  if (IsGL() && Dev.DeviceCreated && HasGLContext()) {
    glUseProgram(0);
    glBindVertexArray(0);
    for (auto& row : Dev.Programs) {
      for (TProgram& p : row) {
        if (p.Name != 0) glDeleteProgram(p.Name);
      }
    }
    for (GLuint s : Dev.VertexShaders) {
      if (s != 0) glDeleteShader(s);
    }
    for (GLuint s : Dev.PixelShaders) {
      if (s != 0) glDeleteShader(s);
    }
    glDeleteBuffers(8, Dev.Vbo);
    glDeleteVertexArrays(8, Dev.Vao);
    glDeleteSamplers(2, Dev.Samplers);
    ReleaseBackFramebuffer();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
  }
  const uint32_t generation = Dev.Generation + 1;
  Dev = TDevice{};
  Dev.Generation = generation;
}

bool GfxStarted() { return Dev.DeviceCreated; }
TGfxBackend GfxBackend() { return Dev.Backend; }

TGfxCooperativeLevel GfxTestCooperativeLevel() {
  if (!Dev.Lost) return TGfxCooperativeLevel::Ok;
  if (Dev.ProbesLeft > 0) {
    --Dev.ProbesLeft;
    return TGfxCooperativeLevel::Lost;
  }
  return TGfxCooperativeLevel::NotReset;
}

bool GfxReset(const TPresentParams& Params) {
  if (!Dev.DeviceCreated) return false;
  if (Switches.FailReset) {
    // A failed reset leaves the device waiting for another.
    Dev.Lost = true;
    Dev.ProbesLeft = 0;
    return false;
  }
  Dev.Params = Params;
  Dev.Lost = false;
  SyncBackBuffer();
  return true;
}

void GfxApplyStates() {
  if (!IsGL() || !Dev.DeviceCreated) return;
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_SCISSOR_TEST);
  for (GLuint sampler : Dev.Samplers) {
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
  }
}

// ---- Textures -----------------------------------------------------------------------------------

void TGfxTextureDeleter::operator()(TGfxTexture* Texture) const {
  if (Texture == nullptr) return;
  if (Texture->Generation == Dev.Generation && Dev.DeviceCreated && IsGL() && HasGLContext()) {
    if (Dev.Target == Texture) {
      Dev.Target = nullptr;
      glBindFramebuffer(GL_FRAMEBUFFER, Dev.BackFramebuffer);
    }
    if (Texture->Framebuffer != 0) glDeleteFramebuffers(1, &Texture->Framebuffer);
    if (Texture->Name != 0) glDeleteTextures(1, &Texture->Name);
  }
  delete Texture;
}

TDeviceTexture GfxCreateTexture(int32_t Width, int32_t Height, TPixelFormat Format, bool RenderTarget) {
  ++Stats.CreateTexture;
  const int32_t bpp = FormatBytesPerPixel(Format);
  if (!Dev.DeviceCreated || bpp == 0 || Width <= 0 || Height <= 0 || Width > Dev.Caps.MaxTextureSize ||
      Height > Dev.Caps.MaxTextureSize) {
    return nullptr;
  }
  // Render targets are surfaces the caller sizes itself; pictures need powers of two here.
  if (!RenderTarget && !Dev.Caps.NonPow2 && (!IsPowerOf2(Width) || !IsPowerOf2(Height))) return nullptr;
  if ((Format == TPixelFormat::A8 && !Dev.Caps.A8) || (Format == TPixelFormat::L8 && !Dev.Caps.L8) ||
      (Format == TPixelFormat::A8L8 && !Dev.Caps.A8L8)) {
    return nullptr;
  }
  TDeviceTexture texture(new TGfxTexture);
  texture->Generation = Dev.Generation;
  texture->Width = Width;
  texture->Height = Height;
  texture->Format = Format;
  texture->RenderTarget = RenderTarget;
  if (!IsGL()) {
    texture->Bytes.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height) * static_cast<size_t>(bpp), 0);
    return texture;
  }
  TGLFormat gl;
  if (!GLFormatOf(Format, gl)) return nullptr;
  while (glGetError() != GL_NO_ERROR) {
  }
  auto make = [&](const TGLFormat& f) {
    glActiveTexture(GL_TEXTURE0 + MaintenanceUnit);
    glGenTextures(1, &texture->Name);
    glBindTexture(GL_TEXTURE_2D, texture->Name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, f.Swizzle);
    glTexImage2D(GL_TEXTURE_2D, 0, f.Internal, Width, Height, 0, f.Format, f.Type, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    return glGetError() == GL_NO_ERROR;
  };
  if (!make(gl)) return nullptr;
  if (RenderTarget) {
    glGenFramebuffers(1, &texture->Framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, texture->Framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture->Name, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
      // 16-bit targets are optional on some drivers: keep the format's meaning in 32 bits.
      glDeleteTextures(1, &texture->Name);
      texture->Name = 0;
      TGLFormat wide;
      GLFormatOf(TPixelFormat::X8R8G8B8, wide);
      if (Format != TPixelFormat::R5G6B5 || !make(wide)) {
        BindTarget(Dev.Target);
        return nullptr;
      }
      glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture->Name, 0);
      if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        BindTarget(Dev.Target);
        return nullptr;
      }
    }
    BindTarget(Dev.Target);
  }
  return texture;
}

int32_t GfxTextureWidth(const TGfxTexture* Texture) { return Texture != nullptr ? Texture->Width : 0; }
int32_t GfxTextureHeight(const TGfxTexture* Texture) { return Texture != nullptr ? Texture->Height : 0; }
TPixelFormat GfxTextureFormat(const TGfxTexture* Texture) { return Texture != nullptr ? Texture->Format : TPixelFormat::Unknown; }

bool GfxLockTexture(TGfxTexture* Texture, uint8_t*& Bits, int32_t& Pitch) {
  if (Texture == nullptr || Texture->Locked || Texture->Generation != Dev.Generation) return false;
  const size_t pitch = static_cast<size_t>(Texture->Width) * static_cast<size_t>(FormatBytesPerPixel(Texture->Format));
  if (IsGL()) Texture->Bytes.assign(pitch * static_cast<size_t>(Texture->Height), 0);
  Texture->Locked = true;
  Bits = Texture->Bytes.data();
  Pitch = static_cast<int32_t>(pitch);
  return true;
}

void GfxUnlockTexture(TGfxTexture* Texture) {
  if (Texture == nullptr || !Texture->Locked) return;
  Texture->Locked = false;
  if (!IsGL() || Texture->Generation != Dev.Generation) return;
  TGLFormat gl;
  GLFormatOf(Texture->Format, gl);
  glActiveTexture(GL_TEXTURE0 + MaintenanceUnit);
  glBindTexture(GL_TEXTURE_2D, Texture->Name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, Texture->Width, Texture->Height, gl.Format, gl.Type, Texture->Bytes.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE0);
  Texture->Bytes.clear();
  Texture->Bytes.shrink_to_fit();
}

void GfxFillTexture(TGfxTexture* Texture, uint32_t Argb) {
  if (Texture == nullptr || Texture->Generation != Dev.Generation) return;
  if (!IsGL()) {
    FillRows(Texture, Texture->Width, Texture->Height, Argb);
    return;
  }
  if (Texture->Framebuffer == 0) return;
  glBindFramebuffer(GL_FRAMEBUFFER, Texture->Framebuffer);
  glDisable(GL_SCISSOR_TEST);
  SetClearColor(Argb);
  glClear(GL_COLOR_BUFFER_BIT);
  BindTarget(Dev.Target);
}

std::vector<uint8_t> GfxReadTexture(TGfxTexture* Texture) {
  if (Texture == nullptr || Texture->Generation != Dev.Generation) return {};
  if (!IsGL()) return Texture->Bytes;
  TGLFormat gl;
  GLFormatOf(Texture->Format, gl);
  const size_t size = static_cast<size_t>(Texture->Width) * static_cast<size_t>(Texture->Height) *
                      static_cast<size_t>(FormatBytesPerPixel(Texture->Format));
  std::vector<uint8_t> bytes(size);
  glActiveTexture(GL_TEXTURE0 + MaintenanceUnit);
  glBindTexture(GL_TEXTURE_2D, Texture->Name);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  // The swizzle applies to sampling only; reading returns the stored channels in the format's layout.
  glGetTexImage(GL_TEXTURE_2D, 0, gl.Format, gl.Type, bytes.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE0);
  return bytes;
}

// ---- Drawing ----------------------------------------------------------------------------------

void GfxBeginScene() {
  if (!IsGL() || !Dev.DeviceCreated) return;
  SyncBackBuffer();
}

void GfxEndScene() {}

void GfxSetRenderTarget(TGfxTexture* Target) {
  ++Stats.SetRenderTarget;
  Dev.Target = Target;
  BindTarget(Target);
}

void GfxSetViewport(int32_t Width, int32_t Height) {
  Dev.ViewportWidth = Width;
  Dev.ViewportHeight = Height;
  if (!IsGL()) return;
  if (TargetIsTexture()) {
    // Drawn upside down (see GfxSetConstants), so the picture's top row is the texture's row 0.
    glViewport(0, 0, Width, Height);
    glScissor(0, 0, Width, Height);
  } else {
    // The back buffer's top-left corner, in the window system's bottom-up rows.
    const int32_t y = Dev.Params.Height - Height;
    glViewport(0, y, Width, Height);
    glScissor(0, y, Width, Height);
  }
}

void GfxClear(uint32_t Argb) {
  ++Stats.Clear;
  if (!IsGL()) {
    if (Dev.Target != nullptr) FillRows(Dev.Target, Dev.ViewportWidth, Dev.ViewportHeight, Argb);
    return;
  }
  // A clear covers the viewport only, as on the device this layer stands in for.
  glEnable(GL_SCISSOR_TEST);
  SetClearColor(Argb);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

void GfxSetFrameStates() {
  if (!IsGL()) return;
  glEnable(GL_BLEND);
  glBlendEquation(GL_FUNC_ADD);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
}

void GfxSetStream(int32_t Orientation) {
  ++Stats.SetStream;
  if (!IsGL() || Orientation < 0 || Orientation > 7) return;
  glBindVertexArray(Dev.Vao[Orientation]);
}

void GfxSetVertexProgram(int32_t Index) {
  ++Stats.SetVertexProgram;
  Dev.CurrentVertex = Index;
  Dev.Program = nullptr;
  if (Index < 0 && IsGL()) glUseProgram(0);
}

void GfxSetPixelProgram(int32_t Index) {
  ++Stats.SetPixelProgram;
  Dev.CurrentPixel = Index;
  Dev.Program = nullptr;
  if (Index < 0 && IsGL()) glUseProgram(0);
}

void GfxSetTexture(int32_t Stage, TGfxTexture* Texture) {
  ++Stats.SetTexture;
  if (!IsGL() || Stage < 0 || Stage > 3) return;
  glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(Stage));
  const bool usable = Texture != nullptr && Texture->Generation == Dev.Generation;
  glBindTexture(GL_TEXTURE_2D, usable ? Texture->Name : 0);
}

void GfxSetFilter(int32_t Stage, bool Linear) {
  ++Stats.SetFilter;
  if (Stage >= 0 && Stage < 4) Dev.StageLinear[Stage] = Linear;
  if (!IsGL() || Stage < 0 || Stage > 3) return;
  glBindSampler(static_cast<GLuint>(Stage), Dev.Samplers[Linear ? 1 : 0]);
}

void GfxSetConstants(const float (&Vertex)[11][4], const float (&Pixel)[2][4]) {
  ++Stats.SetConstants;
  std::memcpy(Dev.LastVertex, Vertex, sizeof Dev.LastVertex);
  std::memcpy(Dev.LastPixel, Pixel, sizeof Dev.LastPixel);
  if (!IsGL()) return;
  if (Dev.Program == nullptr) {
    if (Dev.CurrentVertex < 0 || Dev.CurrentPixel < 0) return;
    const TProgram& p = Dev.Programs[Dev.CurrentVertex][Dev.CurrentPixel];
    if (p.Name == 0) return;
    glUseProgram(p.Name);
    Dev.Program = &p;
  }
  float k[13][4];
  std::memcpy(k, Vertex, sizeof Vertex);
  std::memcpy(k + 11, Pixel, sizeof Pixel);
  // Texture rows run top-down in this layer: the projection's y is flipped for a texture target
  // so that the picture's top lands in row 0.
  if (TargetIsTexture()) k[8][1] = -k[8][1];
  glUniform4fv(Dev.Program->Constants, 13, &k[0][0]);
}

void GfxDraw() {
  ++Stats.Draw;
  if (!IsGL() || Dev.Program == nullptr) return;
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

bool GfxPresent() {
  ++Stats.Present;
  if (!Dev.DeviceCreated || Dev.Lost) return false;
  if (Switches.LoseOnPresent > 0 && --Switches.LoseOnPresent == 0) {
    Dev.Lost = true;
    Dev.ProbesLeft = Switches.LostProbes;
    return false;
  }
  if (Dev.Observer) Dev.Observer();
  if (!IsGL()) return true;
  if (Dev.BackFramebuffer != 0) {
    int32_t w = 0;
    int32_t h = 0;
    DrawableSize(w, h);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, Dev.BackFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, Dev.BackFramebufferWidth, Dev.BackFramebufferHeight, 0, 0, w, h, GL_COLOR_BUFFER_BIT,
                      GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, Dev.BackFramebuffer);
  }
  PlatformSwap();
  return true;
}

void GfxSetPresentObserver(std::function<void()> Observer) { Dev.Observer = std::move(Observer); }

std::vector<uint8_t> GfxReadBackBuffer(int32_t& Width, int32_t& Height) {
  Width = Height = 0;
  if (!IsGL() || !Dev.DeviceCreated || Dev.Params.Width <= 0 || Dev.Params.Height <= 0) return {};
  const int32_t w = Dev.Params.Width;
  const int32_t h = Dev.Params.Height;
  std::vector<uint8_t> rows(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, Dev.BackFramebuffer);
  if (Dev.BackFramebuffer == 0) glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
  BindTarget(Dev.Target);
  const size_t stride = static_cast<size_t>(w) * 4;
  std::vector<uint8_t> flipped(rows.size());
  for (int32_t y = 0; y < h; ++y) {
    std::memcpy(flipped.data() + static_cast<size_t>(y) * stride, rows.data() + static_cast<size_t>(h - 1 - y) * stride,
                stride);
    for (size_t x = 3; x < stride; x += 4) flipped[static_cast<size_t>(y) * stride + x] = 255;
  }
  Width = w;
  Height = h;
  return flipped;
}

void GfxPaintStill(const std::vector<uint16_t>& Pixels, int32_t Width, int32_t Height) {
  if (!IsGL() || !Dev.DeviceCreated || Width <= 0 || Height <= 0 ||
      Pixels.size() < static_cast<size_t>(Width) * static_cast<size_t>(Height)) {
    return;
  }
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
  BindTarget(Dev.Target);
}

}  // namespace tv

// Small value types and pure numeric helpers shared by the engine and the game.
//
// Conventions fixed here: angles are degrees clockwise from straight up (0 up, 90 right); y grows
// downwards; rectangles exclude their right and bottom edges; interpolations round half to even.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace tv {

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
};

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
};

struct TVector {
  float X = 0;
  float Y = 0;
};

struct TVector3 {
  float X = 0;
  float Y = 0;
  float Z = 0;
};

// A float rectangle given by centre and size.
struct TFloatRect {
  TVector Center;
  TVector Size;
};

// ---- Integers -------------------------------------------------------------------------------

inline int32_t Min(int32_t A, int32_t B) { return A < B ? A : B; }
inline int32_t Max(int32_t A, int32_t B) { return A > B ? A : B; }
// The lower bound is tested first: with Lo > Hi a value below Lo gives Lo.
inline int32_t Clamp(int32_t V, int32_t Lo, int32_t Hi) { return V < Lo ? Lo : (V > Hi ? Hi : V); }
inline void ClampVar(int32_t& V, int32_t Lo, int32_t Hi) { V = Clamp(V, Lo, Hi); }
// A + (B - A) x T rounded half to even, saturated to the int32 range.
int32_t LerpInt(int32_t A, int32_t B, float T);
// (N + 1) x T truncated, limited to 0..N: T in 0..1 picks one of N + 1 steps, T = 1 gives N.
int32_t FractionToIndex(int32_t N, float T);
inline int32_t Choose(bool Flag, int32_t IfTrue, int32_t IfFalse) { return Flag ? IfTrue : IfFalse; }
inline bool IsPowerOfTwo(int32_t V) { return V > 0 && (V & (V - 1)) == 0; }
// The smallest power of two >= V (1 for V <= 1); values above 2^30 give 2^30, the largest int32 one.
int32_t NextPowerOfTwo(int32_t V);
inline int32_t MakeEven(int32_t V) { return (V & 1) != 0 ? V + 1 : V; }

// ---- Floats ---------------------------------------------------------------------------------

inline bool SameFloat(float A, float B) { return std::memcmp(&A, &B, sizeof A) == 0; }
inline bool IsZero(float X) { return SameFloat(X, 0.0f); }
inline bool IsOne(float X) { return SameFloat(X, 1.0f); }
inline float MaxF(float A, float B) { return A > B ? A : B; }
inline float MinF(float A, float B) { return A < B ? A : B; }
inline float Clamp01(float X) { return X < 0 ? 0.0f : (X > 1 ? 1.0f : X); }
inline float ChooseF(bool Flag, float IfTrue, float IfFalse) { return Flag ? IfTrue : IfFalse; }
inline float Lerp(float From, float To, float T) { return From + (To - From) * T; }
// The remainder of X divided by 1, with the sign of X.
inline float Fraction(float X) { return std::fmod(X, 1.0f); }
inline float ArcCos(float X) { return std::acos(X); }

// ---- Angles ---------------------------------------------------------------------------------

inline float WrapAngle(float A) { return std::fmod(A, 360.0f); }
inline float AddAngle(float A, float B) { return WrapAngle(A + B); }
TVector DirectionOf(float A);
// The angle of a direction, inverse of DirectionOf on 0 <= A < 360; 0 for the zero vector.
float AngleOf(TVector V);

// ---- Points and rectangles ------------------------------------------------------------------

inline TPoint Point(int32_t X, int32_t Y) { return {X, Y}; }
inline TPoint PointOf(int32_t V) { return {V, V}; }
// Each component rounded half to even, saturated to the int32 range (NaN gives 0).
TPoint RoundPoint(TVector V);
inline bool PointsEqual(TPoint A, TPoint B) { return A.X == B.X && A.Y == B.Y; }
inline TPoint AddPoints(TPoint A, TPoint B) { return {A.X + B.X, A.Y + B.Y}; }
inline TRect RectOf(TPoint Origin, TPoint Size) { return {Origin.X, Origin.Y, Origin.X + Size.X, Origin.Y + Size.Y}; }
inline bool PointInRect(int32_t X, int32_t Y, const TRect& R) {
  return R.Left <= X && X < R.Right && R.Top <= Y && Y < R.Bottom;
}

// ---- Vectors --------------------------------------------------------------------------------

inline TVector Vector(float X, float Y) { return {X, Y}; }
inline TVector VectorOf(float S) { return {S, S}; }
inline TVector ToVector(TPoint P) { return {static_cast<float>(P.X), static_cast<float>(P.Y)}; }
inline bool VectorsEqual(TVector A, TVector B) { return SameFloat(A.X, B.X) && SameFloat(A.Y, B.Y); }
inline TVector AddS(TVector V, float S) { return {V.X + S, V.Y + S}; }
inline TVector AddXY(TVector V, float X, float Y) { return {V.X + X, V.Y + Y}; }
inline TVector Add(TVector A, TVector B) { return {A.X + B.X, A.Y + B.Y}; }
inline TVector SubS(TVector V, float S) { return {V.X - S, V.Y - S}; }
inline TVector Sub(TVector A, TVector B) { return {A.X - B.X, A.Y - B.Y}; }
inline TVector Scale(TVector V, float S) { return {V.X * S, V.Y * S}; }
inline TVector MulComponents(TVector A, TVector B) { return {A.X * B.X, A.Y * B.Y}; }
inline TVector DivComponents(TVector A, TVector B) { return {A.X / B.X, A.Y / B.Y}; }
inline float Ratio(TVector V) { return V.X / V.Y; }
inline float Length(TVector V) { return std::sqrt(V.X * V.X + V.Y * V.Y); }
inline TVector Normalize(TVector V) { return Scale(V, 1.0f / Length(V)); }
inline TVector LerpV(TVector A, TVector B, float T) { return {Lerp(A.X, B.X, T), Lerp(A.Y, B.Y, T)}; }
// Fits Size into Limit keeping its aspect; the side with the larger absolute excess meets its
// limit exactly (so the other side may still exceed its own: 300 x 120 into 200 x 50 is 200 x 80).
TVector FitInside(TVector Size, TVector Limit);
inline TFloatRect RectAtOrigin(TVector Size) { return {{0, 0}, Size}; }

// ---- Three-component values -----------------------------------------------------------------

inline TVector3 Vector3(float A, float B, float C) { return {A, B, C}; }
inline TVector3 Vector3Of(TVector V) { return {V.X, V.Y, 0}; }
// 0xRRGGBB to floats 0..1; the top 8 bits are ignored.
TVector3 ColorOf(uint32_t Packed);
inline bool Vector3Equal(TVector3 A, TVector3 B) {
  return SameFloat(A.X, B.X) && SameFloat(A.Y, B.Y) && SameFloat(A.Z, B.Z);
}
inline TVector3 Scale3(TVector3 V, float S) { return {V.X * S, V.Y * S, V.Z * S}; }
inline TVector3 Lerp3(TVector3 A, TVector3 B, float T) {
  return {Lerp(A.X, B.X, T), Lerp(A.Y, B.Y, T), Lerp(A.Z, B.Z, T)};
}

}  // namespace tv

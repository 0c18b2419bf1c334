#include "app/Transform.h"

Transform::Transform(IME_TYPE, IME_TYPE) {}
Transform::~Transform() = default;
bool Transform::Run() { return false; }
std::wstring& Transform::GetResultText(std::wstring& text) const { return text; }

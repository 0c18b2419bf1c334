// The Simplified-Chinese IME layouts found in the registry, as a value.
#pragma once

#include <string>
#include <vector>

class ChinesePinyinInputMethodList {
public:
    class ChinesePinyinInputMethod {
    public:
        explicit ChinesePinyinInputMethod(std::wstring text) : layoutText(std::move(text)) {}
        std::wstring layoutText;  // exactly as read from the registry
    };

    // Scans the registry and appends one entry per layout text found. False when the
    // keyboard layout key cannot be opened; the list is then left as it was.
    bool LoadFromRegistry();

    std::vector<ChinesePinyinInputMethod> GetInputMethods() const { return methods_; }

private:
    std::vector<ChinesePinyinInputMethod> methods_;
};

// The 63 keywords of C++98 in unsigned byte order, written out apart from
// the module, for every test and fuzz target that checks its answers.
#ifndef LEXIGARDE_TESTS_MOTS_CLES_CPP98_H
#define LEXIGARDE_TESTS_MOTS_CLES_CPP98_H

// clang-format off
inline const char* const motsClesCpp98[63] = {
    "asm", "auto", "bool", "break", "case", "catch", "char", "class", "const", "const_cast",
    "continue", "default", "delete", "do", "double", "dynamic_cast", "else", "enum", "explicit",
    "export", "extern", "false", "float", "for", "friend", "goto", "if", "inline", "int", "long",
    "mutable", "namespace", "new", "operator", "private", "protected", "public", "register",
    "reinterpret_cast", "return", "short", "signed", "sizeof", "static", "static_cast", "struct",
    "switch", "template", "this", "throw", "true", "try", "typedef", "typeid", "typename",
    "union", "unsigned", "using", "virtual", "void", "volatile", "wchar_t", "while",
};
// clang-format on

#endif

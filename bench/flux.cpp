#include "flux.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "tests/support/mots_cles_cpp98.h"

namespace {

const auto& motsCles = motsClesCpp98;

// clang-format off
// Names as they come up in C++ code.
const char* const identifiants[] = {
    "i", "j", "k", "n", "x", "y", "p", "it", "os", "is", "std", "size_t", "string", "vector", "map",
    "begin", "end", "size", "empty", "push_back", "emplace_back", "reserve", "data", "value", "result",
    "count", "index", "first", "second", "make_shared", "unique_ptr", "shared_ptr", "move", "swap",
    "main", "argc", "argv", "printf", "cout", "endl", "nullptr_t", "uint32_t", "int64_t", "assert",
    "buffer", "length", "offset", "node", "next", "prev", "left", "right", "parent", "root", "key",
    "hash", "mutex", "lock_guard", "thread", "atomic", "memory_order", "fetch_add", "load", "store",
    "error", "status", "options", "config", "context", "handle", "self", "other", "lhs", "rhs",
    "tmp", "ret", "res", "str", "s", "c", "ch", "len", "pos", "ptr", "ref", "obj", "cb", "fn",
    "callback", "allocator", "iterator", "const_iterator", "value_type", "size_type", "traits",
    "T", "U", "Args", "Base", "Derived", "Impl", "Widget", "Parser", "Token", "Lexer", "Node",
    "HRESULT", "DWORD", "LPVOID", "IUnknown", "QueryInterface", "AddRef", "Release", "riid", "ppv",
    "min", "max", "abs", "sqrt", "pow", "floor", "ceil", "clamp", "sort", "find", "find_if",
    "transform", "accumulate", "copy", "fill", "memset", "memcpy", "strlen", "strcmp", "malloc",
    "free", "open", "close", "read", "write", "flush", "seek", "tell", "eof", "good", "fail",
    "width", "height", "depth", "color", "point", "rect", "matrix", "vec3", "quat", "scale",
    "m_data", "m_size", "m_capacity", "m_name", "m_value", "m_next", "s_instance", "kMaxSize",
    "MAX_PATH", "NDEBUG", "EXIT_SUCCESS", "EXIT_FAILURE", "errno", "stdin", "stdout", "stderr",
};

const char* const prefixes[] = {"get", "set", "is", "has", "make", "to", "from", "find", "read",
                                "write", "on", "update", "reset", "create", "destroy", "parse"};
const char* const racines[] = {"Value", "Size", "Count", "Name", "Index", "Buffer", "Data", "Item",
                               "Node", "Key", "Length", "Begin", "End", "Result", "Type", "State",
                               "Handle", "Token", "Line", "Path"};

// Neighbours of keywords: prefixes, suffixes, other case, one letter off.
const char* const voisins[] = {
    "", "If", "IF", "iff", "i", "in", "ints", "Int", "_int", "int_", "cons", "consts", "const_",
    "const_casts", "stati", "statics", "static_", "struc", "structs", "clas", "classes", "Class",
    "d", "dou", "doubles", "dynamic", "dynamic_casts", "whilee", "whil", "wchar", "templat",
    "templates", "typenames", "type", "types", "retur", "returns", "Return", "new_", "news",
    "delet", "deleted", "fals", "False", "TRUE", "tru", "voids", "Void", "unsign", "signe",
    "friends", "virtuals", "virtua", "publics", "privat", "protect", "registers", "sizeo",
    "sizeofs", "thi", "thiss", "throws", "thro", "tr", "trys", "catches", "namespaces", "usin",
    "operators", "operato", "inlines", "mutables", "explicits", "exports", "externs", "gotos",
    "zzz", "a", "as", "asms", "aut", "autos", "bools", "breaks", "cases", "chars", "cas",
};

// Keywords of later standards and the alternative spellings of operators:
// not keywords of C++98.
const char* const plusTard[] = {
    "nullptr", "constexpr", "decltype", "noexcept", "static_assert", "thread_local", "alignas",
    "alignof", "char16_t", "char32_t", "char8_t", "override", "final", "concept", "requires",
    "co_await", "co_yield", "co_return", "consteval", "constinit", "import", "module",
    "and", "and_eq", "bitand", "bitor", "compl", "not", "not_eq", "or", "or_eq", "xor", "xor_eq",
};

const char* const accentues[] = {
    "int\xE9", "\xE9", "\xFF\xFF", "i\x80", "caf\xE9", "\xE9t\xE9", "na\xEFve", "r\xC3\xA9sum\xC3\xA9",
    "\xC3\xA9l\xC3\xA8ve", "stra\xDF" "e", "\xE0_faire", "long\xFF", "\xC2\xB5s", "\x80\x81\x82",
};
// clang-format on

template <class T, std::size_t N>
constexpr std::size_t Taille(T (&)[N]) {
    return N;
}

} // namespace

const std::vector<std::string>& MotsClesTries() {
    static const std::vector<std::string> tries = [] {
        std::vector<std::string> mots(std::begin(motsCles), std::end(motsCles));
        std::sort(mots.begin(), mots.end(), [](const std::string& a, const std::string& b) {
            const int ordre = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
            return ordre != 0 ? ordre < 0 : a.size() < b.size();
        });
        return mots;
    }();
    return tries;
}

const FluxMots& FluxDeMots() {
    static const FluxMots flux = [] {
        FluxMots f;
        std::mt19937 hasard(20240607);
        // The pool, in groups; each group weighs its share of the stream.
        struct Groupe {
            std::size_t debut, fin;
            double poids;
        };
        std::vector<Groupe> groupes;
        auto ajouter = [&](auto&& mots, double poids) {
            const std::size_t debut = f.reserve.size();
            for (const auto& mot : mots) f.reserve.emplace_back(mot);
            groupes.push_back({debut, f.reserve.size(), poids});
        };
        ajouter(motsCles, 0.30);
        std::vector<std::string> noms(std::begin(identifiants), std::end(identifiants));
        for (int i = 0; i < 250; ++i) {
            std::string prefixe = prefixes[hasard() % Taille(prefixes)];
            std::string racine = racines[hasard() % Taille(racines)];
            if (hasard() % 2) {
                // snake_case
                racine[0] = static_cast<char>(racine[0] - 'A' + 'a');
                noms.push_back(prefixe + "_" + racine);
            } else {
                noms.push_back(prefixe + racine);
            }
        }
        ajouter(noms, 0.45);
        ajouter(voisins, 0.08);
        ajouter(plusTard, 0.09);
        std::vector<std::string> longs = {
            "reinterpret_castreinterpret_cast",
            "static_castdynamic_castconst_cast",
            "AbstractSingletonProxyFactoryBeanDefinitionRegistryPostProcessor",
            "basic_string_view_with_a_very_long_name_that_nobody_would_ever_type_by_hand",
            std::string(64, 'i'),
            std::string(200, 'w') + "hile",
            "templatetemplatetemplatetemplate"};
        ajouter(longs, 0.04);
        ajouter(accentues, 0.04);

        std::vector<double> poids;
        for (const Groupe& g : groupes) poids.push_back(g.poids);
        std::discrete_distribution<std::size_t> quelGroupe(poids.begin(), poids.end());
        f.mots.reserve(tailleFluxMots);
        for (std::size_t i = 0; i < tailleFluxMots; ++i) {
            const Groupe& g = groupes[quelGroupe(hasard)];
            const std::size_t choix = g.debut + hasard() % (g.fin - g.debut);
            f.mots.push_back(f.reserve[choix].c_str());
            if (choix < Taille(motsCles)) ++f.motsCles;
        }
        return f;
    }();
    return flux;
}

namespace {

// French words, written in UTF-8 here and turned into Latin-1 below.
// clang-format off
const char* const vocabulaire[] = {
    "le", "la", "les", "un", "une", "des", "du", "de", "et", "ou", "mais", "donc", "car", "que",
    "qui", "quand", "où", "à", "au", "aux", "en", "dans", "sur", "sous", "avec", "sans", "pour",
    "par", "entre", "vers", "chez", "après", "déjà", "très", "trop", "peu", "même", "aussi",
    "il", "elle", "nous", "vous", "ils", "elles", "on", "ce", "cette", "ces", "son", "sa", "ses",
    "est", "était", "été", "sera", "serait", "a", "avait", "ont", "fait", "faire", "dit", "répondit",
    "demanda", "vérifie", "relisait", "dépassait", "arrive", "passent", "écrit", "lu", "reçu",
    "compilateur", "boucle", "indice", "borne", "opérateur", "tableau", "fonction", "mémoire",
    "résultat", "caractère", "chaîne", "entrée", "sortie", "fenêtre", "clé", "registre", "élève",
    "maître", "école", "leçon", "problème", "système", "méthode", "modèle", "règle", "idée",
    "côté", "début", "été", "hôpital", "forêt", "île", "âge", "goût", "noël", "naïf", "naïve",
    "français", "garçon", "façon", "reçoit", "ça", "voilà", "déçu", "prêt", "tâche", "pâte",
    "bientôt", "plutôt", "sûr", "mûr", "coût", "août", "où", "là", "deçà", "delà", "âme", "être",
    "Hélène", "Élodie", "Noël", "Ève", "Ôtez", "Île", "Être", "Ça", "Àlex", "Émile", "Ève",
    "raison", "temps", "jour", "nuit", "soir", "matin", "texte", "page", "ligne", "mot", "nom",
    "premier", "dernière", "nouvelle", "grand", "petite", "bonne", "meilleurs", "toutes",
    "capitales", "accentuées", "simple", "rapide", "lent", "juste", "faux", "vrai", "clair",
    "pièce", "siècle", "père", "mère", "frère", "chère", "fièvre", "lumière", "manière", "vérité",
    "qualité", "sécurité", "société", "réalité", "liberté", "égalité", "fraternité", "été",
};
// clang-format on

std::string Latin1(const char* utf8) {
    std::string latin1;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p; ++p) {
        if (*p >= 0xC0) {
            latin1.push_back(static_cast<char>(((*p & 0x1F) << 6) | (p[1] & 0x3F)));
            ++p;
        } else {
            latin1.push_back(static_cast<char>(*p));
        }
    }
    return latin1;
}

char Majuscule(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 32);
    return c;
}

} // namespace

std::string TexteFrancaisLatin1(std::size_t taille) {
    std::vector<std::string> mots;
    for (const char* mot : vocabulaire) mots.push_back(Latin1(mot));
    std::mt19937 hasard(1789);
    std::string texte;
    texte.reserve(taille + 128);
    std::size_t debutLigne = 0;
    bool phraseNouvelle = true;
    bool guillemetsOuverts = false;
    while (texte.size() < taille) {
        std::string mot = mots[hasard() % mots.size()];
        if (phraseNouvelle) mot[0] = Majuscule(mot[0]);
        phraseNouvelle = false;
        texte += mot;
        const unsigned tirage = hasard() % 1000;
        if (tirage < 60) {
            texte += ", ";
        } else if (tirage < 110) {
            texte += ". ";
            phraseNouvelle = true;
        } else if (tirage < 120) {
            texte += " : ";
        } else if (tirage < 128) {
            texte += " ; ";
        } else if (tirage < 134) {
            texte += " ? ";
            phraseNouvelle = true;
        } else if (tirage < 150) {
            texte += guillemetsOuverts ? " \xBB " : " \xAB ";
            guillemetsOuverts = !guillemetsOuverts;
        } else if (tirage < 154) {
            texte += " < ";
        } else if (tirage < 157) {
            texte += " > ";
        } else if (tirage < 160) {
            texte += " && ";
        } else if (tirage < 162) {
            texte += " & ";
        } else if (tirage < 164) {
            texte += " d'";
        } else {
            texte += ' ';
        }
        if (texte.size() - debutLigne > 72) {
            texte += '\n';
            debutLigne = texte.size();
        }
    }
    texte.resize(taille);
    return texte;
}

std::string EnUtf8(const std::string& latin1) {
    std::string utf8;
    utf8.reserve(latin1.size() + latin1.size() / 8);
    for (const char c : latin1) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            utf8.push_back(c);
            continue;
        }
        utf8.push_back(static_cast<char>(0xC0 | (u >> 6)));
        utf8.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
    return utf8;
}

namespace {

// clang-format off
const char* const vocabulaireCjk[] = {
    "编译器", "循环", "索引", "边界", "运算符", "数组", "函数", "内存", "结果", "字符", "字符串",
    "输入", "输出", "窗口", "注册表", "学生", "老师", "学校", "问题", "系统", "方法", "模型",
    "规则", "想法", "时间", "今天", "明天", "我们", "你们", "他们", "这个", "那个", "没有",
    "已经", "可以", "因为", "所以", "但是", "如果", "文本", "页面", "一行", "名字", "第一",
    "最后", "新的", "大的", "小的", "好的", "快", "慢", "对", "错", "的", "了", "是", "在",
    "日本語", "漢字", "한국어", "😀", "🎉", "👍", "🚀", "❤️",
};
const char* const ponctuationCjk[] = {"，", "。", "、", "：", "；", "？", "！", "“", "”", " ", " < ", " & "};
// clang-format on

} // namespace

std::string TexteCjkUtf8(std::size_t taille) {
    std::mt19937 hasard(1911);
    std::string texte;
    texte.reserve(taille + 64);
    std::size_t debutLigne = 0;
    while (texte.size() < taille) {
        texte += vocabulaireCjk[hasard() % Taille(vocabulaireCjk)];
        if (hasard() % 4 == 0) texte += ponctuationCjk[hasard() % Taille(ponctuationCjk)];
        if (texte.size() - debutLigne > 120) {
            texte += '\n';
            debutLigne = texte.size();
        }
    }
    // Cut at a character's first byte, so that the text stays valid.
    std::size_t fin = taille;
    while (fin > 0 && (static_cast<unsigned char>(texte[fin]) & 0xC0) == 0x80) --fin;
    texte.resize(fin);
    return texte;
}

const std::string& FluxDeTexte() {
    static const std::string texte = TexteFrancaisLatin1(tailleFluxTexte);
    return texte;
}

#include "EXmlError.h"

#include "Windows1250.h"

#include <iterator>

namespace {

// Indexed by EXmlError::TKind; these texts are what callers show and compare.
constexpr const char *Messages[] = {
    "Имя должно начинаться с буквы или \"_\"",
    "Не завершено определение элемента",
    "Некорретный символ в имени элемента",
    "Превышена допустимая глубина вложенности элементов",
    "Ожидается значение атрибута",
    "Ожидается строковая константа",
    "Символ \"<\" не может использоваться в значениях атрибутов",
    "Ожидается \"#\" или имя упрамляющего символа",
    "Ожидается шестнадцатеричное число",
    "Ожидается число",
    "Некорректное имя управляющего символа",
    "Ожидается \"%\"",
    "Ошибка получения элемента списка: индекс выходит за пределы",
};
static_assert(std::size(Messages) == std::size_t(EXmlError::TKind::ListIndex) + 1);

} // namespace

EXmlError::EXmlError(TKind kind, std::size_t offset, std::string_view detail)
    : std::runtime_error(messageOf(kind, detail))
    , kind_(kind)
    , offset_(offset)
{
}

std::string EXmlError::messageOf(TKind kind, std::string_view detail)
{
    const std::string_view pattern = Messages[std::size_t(kind)];
    const std::size_t slot = pattern.find('%');
    if (slot == std::string_view::npos)
        return std::string(pattern);
    return std::string(pattern.substr(0, slot)) + Windows1250::toUtf8(detail) + std::string(pattern.substr(slot + 1));
}

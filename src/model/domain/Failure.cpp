#include "Failure.h"

namespace vozel {

Failure::Failure(QString description)
    : m_description(std::move(description)), m_utf8(m_description.toUtf8())
{
}

DecodingError::DecodingError(QString detail)
    : Failure(QStringLiteral("Não foi possível ler os dados porque eles não estão no formato correto.")),
      m_detail(std::move(detail))
{
}

} // namespace vozel

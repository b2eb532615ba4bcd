#pragma once

#include <kainjow/mustache.hpp>

#include <QString>

// The values the report and badge templates are filled with.
using TData = kainjow::mustache::data;

// A blank value is false, so that {{#name}}…{{/name}} leaves it out.
inline TData TemplateValue(const QString& text)
{
    if (text.isEmpty())
        return TData(false);
    return TData(text.toStdString());
}

#pragma once

#include "db/TDatabaseEngine.h"

#include <QString>

// Replaces the parameter marks (?, ?1, :name) outside quoted text, dollar-quoted text and
// comments with SQL literals, so a server statement travels as one text.
QString InlineServerParameters(const QString& sql, const TDatabaseEngine::TParamLookup& lookup);

// The product's own texts, shown in the banner and the report's
// identification rows. Translated in the context "ZEPHIdent".
#pragma once

#include <QtGlobal>

#define IDENTITY_CONTEXT "ZEPHIdent"

inline const char *const PRODUCT_NAME = QT_TRANSLATE_NOOP("ZEPHIdent", "Tallyrpt");
inline const char *const PRODUCT_TITLE = QT_TRANSLATE_NOOP("ZEPHIdent", "Java Test Report Generator");
inline const char *const PRODUCT_VERSION = QT_TRANSLATE_NOOP("ZEPHIdent", "1.0.0");
inline const char *const LEGAL_OWNER = QT_TRANSLATE_NOOP("ZEPHIdent", "Copyright (C) 2026 The Tallyrpt Authors.");
inline const char *const LEGAL_RIGHTS = QT_TRANSLATE_NOOP("ZEPHIdent", "All rights reserved.");

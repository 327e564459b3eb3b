#pragma once
#define MFC_EXPORT __attribute__((visibility("default")))

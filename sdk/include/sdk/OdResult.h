#pragma once

enum OdResult {
  eOk = 0,
  eNotImplementedYet,
  eNotApplicable,
  eInvalidInput,
  eNotThatKindOfClass,
  eWasErased,
  eNullObjectId,
  eKeyNotFound,
  eOutOfMemory,
  eInvalidIndex,
  eDegenerateGeometry,
  eNotOpenForWrite,
  eNotOpenForRead,
  eDuplicateKey,
  eInvalidContext,
  eFileNotFound,
  eBadDxfSequence,
  eClassNotLoaded,
  eExtendedError
};

// A readable name of a result code.
const char* odResultName(OdResult result);

#ifndef E_ALGO_ACTION_TYPE_H
#define E_ALGO_ACTION_TYPE_H

// The action a start slot runs.
enum eAlgoActionType {
  aatProg = 0,
  aatVerify = 1,
  aatBlank = 2,
  aatRead = 3,
  aatErase = 4,
  aatContinuity = 7,   // the continuity test only
  aatNoContinuity = 8  // the test that the socket is empty, only
};

#endif

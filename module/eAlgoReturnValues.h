#ifndef E_ALGO_RETURN_VALUES_H
#define E_ALGO_RETURN_VALUES_H

// Result of an action as the close sees it: any negative value is a failure.
// An algorithm's 16-bit status is passed on sign-extended.
enum eAlgoReturnValues : int { arvFailed = -1, arvOk = 0 };

#endif

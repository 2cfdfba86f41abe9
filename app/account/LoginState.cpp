#include "account/LoginState.h"

LoginState &loginState()
{
    static LoginState state;
    return state;
}

AccountMemory &accountMemory()
{
    static AccountMemory memory;
    return memory;
}

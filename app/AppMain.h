// The program's body: the setup dialog and the message loop.
#pragma once

int AppMain();

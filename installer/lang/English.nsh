; The setup program's own English texts (the pages' texts come with NSIS's Modern UI).
LangString ZoName ${LANG_ENGLISH} "Zorvel Office"
LangString ZoCopyFailed ${LANG_ENGLISH} "Zorvel Office could not be copied to $INSTDIR.$\r$\nClose Zorvel Office if it is running, then run the setup again."
LangString ZoRegistryFailed ${LANG_ENGLISH} "The setup could not register Zorvel Office for your account."
LangString ZoProfileSection ${LANG_ENGLISH} "Also delete my browser data (sign-ins and settings)"

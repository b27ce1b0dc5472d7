// Every text that the program shows and that is built into its code (the string table holds
// the rest). All of them are Windows-1252 once compiled. The list is an X-macro so that the
// start-up check of the built-in texts and the build step that computes their digest see the
// same texts in the same order: keep one entry per line.
#pragma once

#define CORVINET_BUILT_IN_TEXTS(X)                                                                  \
    X(kAppTitle, "CORVINET Dialer")                                                                 \
    X(kAlreadyRunning, "CORVINET Dialer se encuentra activo en el sistema.")                        \
    X(kAlreadyRunningCaption, "www.corvinet.com.ar")                                                \
    X(kTextsAltered,                                                                                \
      "Los textos de CORVINET Dialer han sido modificados. Reinstale la aplicación.")               \
    X(kSettingsNotSaved, "No se pudo guardar la configuración")                                     \
    X(kErrorCaption, "Error")                                                                       \
    X(kConfirmClose, "¿Desea cerrar la aplicación?")                                                \
    X(kRasUndefinedError, "Undefined RAS Dial Error (%ld).")                                        \
    X(kTipConnected, "Conectado a CORVINET")                                                        \
    X(kTipDisconnected, "Desconectado")                                                             \
    X(kMenuHideWindow, "Ocultar ventana")                                                           \
    X(kMenuShowWindow, "Mostrar ventana")                                                           \
    X(kMenuHangUp, "Cortar")                                                                        \
    X(kMenuDial, "Discar")                                                                          \
    X(kMenuAbout, "Acerca de...")                                                                   \
    X(kMenuClose, "Cerrar")                                                                         \
    X(kOnlineTimeFormat, "%02d:%02d:%02d")                                                          \
    X(kPromptUnsigned, "Introduzca un número entero positivo.")                                     \
    X(kPromptMaxChars, "No introduzca más de %1 caracteres.")                                       \
    X(kInetErrorCaption, "CORVINET Dialer - InetError")                                             \
    X(kInetError, "Error conectando con servidor de configuración. (%d)")                           \
    X(kNewVersion,                                                                                  \
      "Hay una nueva versión de CORVINET Dialer disponible. Recomendamos que descargue e instale " \
      "la nueva versión antes de continuar usando la aplicación.\r\n\r\n¿Desea salir de la "     \
      "aplicación ahora?")                                                                          \
    X(kReportStartLine, "%02d/%02d/%04d %02d:%02d:%02d -> Comienzó llamada.\r\n")                   \
    X(kReportEndLine, "%02d/%02d/%04d %02d:%02d:%02d -> Terminó llamada de %d minuto%s\r\n")        \
    X(kReportMinuteSingular, ".")                                                                   \
    X(kReportMinutePlural, "s.")                                                                    \
    X(kReportIgnoredOne,                                                                            \
      "\r\nSe ignoró %d llamada, por falta de registro de comienzo o finalización.\r\n")            \
    X(kReportIgnoredMany,                                                                           \
      "\r\nSe ignoraron %d llamadas, por falta de registro de comienzo o finalización.\r\n")        \
    X(kReportTotals, "\r\nTotal mensual: %d minutos.\r\n\r\nConsumo $%8.4f")                        \
    X(kMonthThis, "este mes.")                                                                      \
    X(kMonthPrevious, "mes anterior.")                                                              \
    X(kRegionCity, "Ciudad de Buenos Aires")                                                        \
    X(kRegionGreater, "Gran Buenos Aires")                                                          \
    X(kModeConnectionMinutes, "Minutos de conexión")                                                \
    X(kModeConnectionHours, "Horas de conexión")                                                    \
    X(kModeMinutesFromNow, "Minutos desde ahora")                                                   \
    X(kModeHoursFromNow, "Horas desde ahora")

namespace texts {
#define CORVINET_DEFINE_TEXT(name, literal) inline constexpr char name[] = literal;
CORVINET_BUILT_IN_TEXTS(CORVINET_DEFINE_TEXT)
#undef CORVINET_DEFINE_TEXT
}  // namespace texts

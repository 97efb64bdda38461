<?xml version="1.0" encoding="windows-1251"?>
<!--
  Таблица для любого ответа без своей таблицы стилей: пакет данных
  (DATAPACKET/ROWDATA/ROW, столбцы - атрибуты строк, в порядке первого
  появления) или документ из простых элементов (статистика пилота
  /?cmd=info), по строке на элемент. Сервер применяет её к настроенным
  запросам и к статистике, когда браузер просит HTML.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="windows-1251" indent="yes"/>

  <xsl:key name="column" match="ROW/@*" use="name()"/>

  <xsl:template match="/">
    <html>
      <head>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <title>Результат запроса</title>
        <style type="text/css">
          body { font-family: Verdana, Arial, sans-serif; font-size: 13px; background: #eef2f7; color: #1b2433; margin: 16px; }
          h1 { font-size: 20px; color: #123c69; }
          .scroll { overflow-x: auto; max-width: 100%; }
          table { border-collapse: collapse; background: #fff; box-shadow: 0 1px 3px rgba(0,0,0,.2); }
          th { background: #123c69; color: #fff; padding: 6px 10px; text-align: left; }
          td { padding: 4px 10px; border-bottom: 1px solid #dde3ea; }
          .count { color: #56657a; margin: 8px 0; }
        </style>
      </head>
      <body>
        <h1>Результат запроса</h1>
        <xsl:apply-templates select="*"/>
        <p><a href="/sky.gif" target="_blank"><img src="/sky.gif" border="0" alt="banner"/></a></p>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="DATAPACKET">
    <xsl:variable name="columns" select="ROWDATA/ROW/@*[generate-id() = generate-id(key('column', name())[1])]"/>
    <div class="count">Строк: <span id="row-count"><xsl:value-of select="count(ROWDATA/ROW)"/></span></div>
    <div class="scroll">
    <table id="rows">
      <thead>
        <tr><xsl:for-each select="$columns"><th><xsl:value-of select="name()"/></th></xsl:for-each></tr>
      </thead>
      <tbody>
        <xsl:for-each select="ROWDATA/ROW">
          <xsl:variable name="row" select="."/>
          <tr>
            <xsl:for-each select="$columns">
              <td><xsl:value-of select="$row/@*[name() = name(current())]"/></td>
            </xsl:for-each>
          </tr>
        </xsl:for-each>
      </tbody>
    </table>
    </div>
  </xsl:template>

  <xsl:template match="*">
    <div class="scroll">
    <table id="rows">
      <tbody>
        <xsl:for-each select="*">
          <tr><th><xsl:value-of select="name()"/></th><td><xsl:value-of select="."/></td></tr>
        </xsl:for-each>
      </tbody>
    </table>
    </div>
  </xsl:template>
</xsl:stylesheet>

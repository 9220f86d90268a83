#!/usr/bin/env bash
# Desenha os mapas históricos do Tovelo com o GMT a partir das linhas de
# costa, lagos e rios da base GSHHG instalada com o GMT (sem rede).
#
# Dados (nesta pasta):
#   lugares.tsv  cidades, montes e locais (nome, longitude, latitude, tipo, mapas)
#   rotulos.tsv  nomes de regiões, mares e rios
#   rotas.tsv    viagens, desenhadas como linhas coloridas com setas
#   regioes.tsv  áreas (tribos, reinos) e linhas (muralhas, vales)
#
# Uso:  bash content/mapas/desenhar.sh            (todos os mapas)
#       bash content/mapas/desenhar.sh jesus roma (só alguns, pela chave)
#
# Cada mapa sai como JPEG de 1106 x 850 px nesta mesma pasta. A janela de mapas o mostra
# em 553 x 425 px, onde 1 pt da folha vale 1,06 px: nenhum rótulo tem menos de 14 pt, para
# que as maiúsculas tenham ao menos 10 px na tela. Depois de cada mapa, conferir-rotulos.sh
# aponta os rótulos que tocam outro rótulo, uma linha ou uma costa (CONFERENCIA=pasta guarda
# as figuras com os toques marcados) e o script termina com erro se houver algum.
set -euo pipefail

AQUI=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export GMT_SESSION_NAME="tovelo$$"

# Paleta de atlas impresso
PAPEL='#f4ecd8'
TERRA='#efe3c2'
MAR='#b9d6e8'
COSTA='#4d7390'
RIO='#3f78ad'
FAIXA='#6b2a1b'
FAIXA_TEXTO='#fbf3df'
FAIXA_SUB='#ead7b0'
MOLDURA='#5a3a1a'
CAIXA='#fbf6ea'

# Folha de 18,4 x 14,14 cm (1106 x 850 px, 553 x 425 na tela); faixa do título no alto
LARG=18.4
ALT=14.14
MAPA_W=17.9
MAPA_H=11.75
MARGEM=0.25
PX_L=1106
PX_A=850
TELA_L=553
LETRA_MIN=14

para_latin1() { iconv -f utf-8 -t latin1; }

# Região Mercator com o tamanho exato do quadro: centro, largura em graus
regiao() {
	awk -v l0="$1" -v p0="$2" -v d="$3" -v W="$MAPA_W" -v H="$MAPA_H" '
	function y(p,  r) { r = p * pi / 180; return log(sin(pi/4 + r/2) / cos(pi/4 + r/2)) }
	function inv(v) { return (2 * atan2(exp(v), 1) - pi / 2) * 180 / pi }
	BEGIN { pi = atan2(0, -1); k = W / (d * pi / 180); y0 = y(p0)
		printf "%.5f/%.5f/%.5f/%.5f", l0 - d/2, l0 + d/2, inv(y0 - H/2/k), inv(y0 + H/2/k) }'
}

# Lugares de um mapa: lon lat tipo posição deslocamento linhas nome
lugares_do_mapa() {
	awk -F'\t' -v m="$1" '
	/^#/ || NF < 5 { next }
	{ n = split($5, a, ",")
	  for (i = 1; i <= n; i++) {
		split(a[i], b, ":")
		if (b[1] == m) {
			pos = (b[2] == "" ? "E" : b[2]); desl = (b[3] == "" ? "0/0" : b[3])
			print $2 "\t" $3 "\t" $4 "\t" pos "\t" desl "\t" (b[4] == "" ? 1 : b[4]) "\t" $1
		}
	  } }' "$AQUI/lugares.tsv"
}

# Escreve um rótulo de uma ou mais linhas (separadas por "|") para o gmt text, em cm no quadro
# do mapa: as linhas se empilham conforme a justificação, giradas com o texto.
AWK_ROTULO='
function rotulo(x, y, pt, fonte, ang, just, texto,   n, l, i, passo, base, a, desl) {
	n = split(texto, l, "|")
	passo = pt * 1.32 / 72 * 2.54
	base = substr(just, 2, 1) == "B" ? n - 1 : (substr(just, 2, 1) == "T" ? 0 : (n - 1) / 2)
	a = ang * atan2(0, -1) / 180
	for (i = 1; i <= n; i++) {
		desl = (base - (i - 1)) * passo
		printf "%.3f\t%.3f\t%sp,%s\t%s\t%s\t%s\n", x - sin(a) * desl, y + cos(a) * desl, pt, fonte, ang, just, l[i]
	}
}'

# Rótulos de áreas: lon lat estilo tamanho ângulo texto (nenhum abaixo do tamanho mínimo)
rotulos_do_mapa() {
	awk -F'\t' -v m="$1" -v min="$LETRA_MIN" '
	/^#/ || NF < 7 { next }
	{ n = split($7, a, ",")
	  for (i = 1; i <= n; i++) if (a[i] == m) {
		if ($5 + 0 < min) {
			printf "rotulos.tsv: \"%s\" tem %s pt, menos que o mínimo de %s pt\n", $1, $5, min > "/dev/stderr"
			exit 1
		}
		print $2 "\t" $3 "\t" $4 "\t" $5 "\t" $6 "\t" $1
	  } }' "$AQUI/rotulos.tsv"
}

# Rótulos: o texto no desenho; na conferência, só a caixa de cada um (a cor da letra some
# na da caixa) ou nada
rotular() { # opções do gmt text; linhas "x y fonte ..." na entrada
	case "$CAMADA" in
		desenho) para_latin1 | gmt text "$@" ;;
		sem_rotulos) cat > /dev/null ;;
		caixas) sed -E 's/^([^\t]*\t[^\t]*\t[0-9.]+p,[^,\t]+)[^\t]*/\1,#ff00ff/' | para_latin1 |
			gmt text "$@" -C10% -G#ff00ff -W0.5p,#0000ff ;;
	esac
}

# Rotas de um mapa em multissegmento GMT (pontos por nome ou coordenadas)
rotas_do_mapa() {
	awk -F'\t' -v m="$1" '
	FNR == NR { if ($0 !~ /^#/ && NF >= 3) pos[$1] = $2 " " $3; next }
	/^#/ || NF < 5 || $1 != m { next }
	{ pen = "1.8p," $2
	  if ($3 == "tracejado") pen = pen ",7_4:0"
	  if ($3 == "pontilhado") pen = pen ",2_3:0"
	  print "> -W" pen
	  n = split($5, p, ";")
	  for (i = 1; i <= n; i++) {
		if (p[i] ~ /^-?[0-9.]+ -?[0-9.]+$/) print p[i]
		else if (p[i] in pos) print pos[p[i]]
		else { print "lugar desconhecido na rota: " p[i] > "/dev/stderr"; exit 1 }
	  } }' "$AQUI/lugares.tsv" "$AQUI/rotas.tsv"
}

# Áreas ou linhas de um mapa
regioes_do_mapa() { # mapa tipo
	awk -F'\t' -v m="$1" -v t="$2" '
	/^#/ || NF < 6 || $1 != m || $2 != t { next }
	{ h = ">"
	  if ($3 != "-") h = h " -G" $3
	  h = h ($4 != "-" ? " -W" $4 : " -W-")
	  print h
	  n = split($6, p, ";"); for (i = 1; i <= n; i++) print p[i] }' "$AQUI/regioes.tsv"
}

# Legenda: rotas e áreas com texto de legenda, sem repetições
legenda_do_mapa() {
	awk -F'\t' -v m="$1" '
	/^#/ { next }
	FILENAME ~ /regioes/ && $1 == m && $5 != "-" && NF >= 6 && !visto[$5]++ {
		if ($2 == "area") print "S 0.4c s 0.5c " $3 " 0.5p,#5a3a1a 0.95c " $5
		else print "S 0.4c - 0.7c - " $4 " 0.95c " $5
	}
	FILENAME ~ /rotas/ && $1 == m && !visto[$4]++ {
		pen = "1.8p," $2
		if ($3 == "tracejado") pen = pen ",7_4:0"
		if ($3 == "pontilhado") pen = pen ",2_3:0"
		print "S 0.4c - 0.7c - " pen " 0.95c " $4
	}' "$AQUI/regioes.tsv" "$AQUI/rotas.tsv"
}

# Setas ao longo das rotas (coordenadas do papel): no meio de cada trecho de mais de 1,2 cm,
# ou a cada ~3 cm nos trechos longos, sempre longe das cidades e das curvas
setas() { # arquivo projetado em cm
	awk '
	/^>/ { split($2, c, ","); print "> -G" c[2] " -W0.6p," c[2]; n = 0; next }
	{ n++; x[n] = $1; y[n] = $2
	  if (n < 2) next
	  dx = x[n] - x[n-1]; dy = y[n] - y[n-1]; d = sqrt(dx^2 + dy^2)
	  if (d < 1.2) next
	  k = int(d / 3.2); if (k < 1) k = 1
	  for (i = 1; i <= k; i++) {
		t = (i - 0.5) / k
		printf "%.4f %.4f %.2f 0.34\n", x[n-1] + t*dx + 0.17*dx/d, y[n-1] + t*dy + 0.17*dy/d, atan2(dy, dx) * 180 / atan2(0, -1)
	  } }' "$1"
}

# Uma camada do mapa em PNG: desenho, sem_rotulos ou caixas (ver rotular)
camada() { # camada saída; o resto vem de desenhar
	CAMADA=$1
	local saida=$2
	(
	cd "$d"
	gmt begin "$saida" png E220
	gmt set PS_CHAR_ENCODING ISOLatin1+ MAP_FRAME_TYPE plain MAP_FRAME_PEN 1p,$MOLDURA \
		FONT_ANNOT_PRIMARY 14p,Palatino-Roman,black FONT_LABEL 14p,Palatino-Roman,black \
		MAP_SCALE_HEIGHT 6p MAP_TICK_PEN_PRIMARY 0.8p,black

	# Folha e faixa do título
	gmt plot -R0/$LARG/0/$ALT -JX${LARG}c/${ALT}c -G$PAPEL -W0 -B+n <<-FIM
	0 0
	$LARG 0
	$LARG $ALT
	0 $ALT
	FIM
	local topo_mapa direita topo
	topo_mapa=$(awk -v a="$MARGEM" -v h="$MAPA_H" 'BEGIN { print a + h + 0.18 }')
	direita=$(awk -v l="$LARG" -v a="$MARGEM" 'BEGIN { print l - a }')
	topo=$(awk -v t="$ALT" -v a="$MARGEM" 'BEGIN { print t - a + 0.05 }')
	gmt plot -G$FAIXA -W0.8p,$MOLDURA <<-FIM
	$MARGEM $topo_mapa
	$direita $topo_mapa
	$direita $topo
	$MARGEM $topo
	FIM
	printf '%s\t%s\t%s\n' "$(awk -v l="$LARG" 'BEGIN { print l / 2 }')" \
		"$(awk -v t="$topo_mapa" 'BEGIN { print t + 1.27 }')" "$titulo" | para_latin1 |
		gmt text -F+f20p,Palatino-Bold,$FAIXA_TEXTO+jCM
	printf '%s\t%s\t%s\n' "$(awk -v l="$LARG" 'BEGIN { print l / 2 }')" \
		"$(awk -v t="$topo_mapa" 'BEGIN { print t + 0.5 }')" "$sub" | para_latin1 |
		gmt text -F+f14p,Palatino-Italic,$FAIXA_SUB+jCM

	# Terra, áreas históricas, mar por cima das áreas, costa e rios; ilhas e lagos pequenos
	# ficam de fora, onde disputariam lugar com os nomes
	gmt coast -R$R -J$J -X${MARGEM}c -Y${MARGEM}c -D$res -A$ilhas -G$TERRA -S$MAR -C$TERRA
	gmt coast -D$res -A$lagos -C$MAR
	# (sem os rótulos, só os contornos das áreas: é onde se procuram as linhas escuras)
	if [ -s areas.txt ]; then
		[ "$CAMADA" != sem_rotulos ] && gmt plot areas.txt -t45
		sed 's/ -G[^ ]*//' areas.txt | gmt plot -W0.6p,#6b4a2a
	fi
	gmt coast -D$res -A$ilhas -S$MAR -C$TERRA -W1/0.6p,$COSTA $rios
	gmt coast -D$res -A$lagos -C$MAR -W2/0.5p,$COSTA
	if [ -s linhas.txt ]; then gmt plot linhas.txt; fi

	# Rótulos das áreas (por baixo das cidades)
	if [ -s rotulos_cm.txt ]; then
		rotular -R0/$MAPA_W/0/$MAPA_H -JX${MAPA_W}c/${MAPA_H}c -F+f+a+j < rotulos_cm.txt
		gmt plot -R$R -J$J -T
	fi

	# Rotas com setas
	if [ -s rotas.txt ]; then
		gmt plot rotas.txt
		if [ -s setas.txt ]; then
			gmt plot setas.txt -R0/$MAPA_W/0/$MAPA_H -JX${MAPA_W}c/${MAPA_H}c -Sv0.34c+e+a50+h0.4 -W0.8p
			gmt plot -R$R -J$J -T
		fi
	fi

	# Lugares: símbolos e nomes (os nomes em cm no quadro do mapa)
	if [ -s lugares.txt ]; then
		[ -s montes.txt ] && gmt plot montes.txt -St0.32c -G#7a5230 -W0.5p,#f6efdc
		[ -s cidades.txt ] && gmt plot cidades.txt -Sc0.19c -Gblack -W0.6p,#f6efdc
		[ -s locais.txt ] && gmt plot locais.txt -Sc0.18c -G#8b1a1a -W0.6p,#f6efdc
		if [ -s capitais.txt ]; then
			gmt plot capitais.txt -Sc0.29c -Gblack -W0.6p,#f6efdc
			gmt plot capitais.txt -Sc0.11c -G#f6efdc
		fi
		[ -s chamadas.txt ] && gmt plot chamadas.txt -R0/$MAPA_W/0/$MAPA_H -JX${MAPA_W}c/${MAPA_H}c -W0.6p,#3a2a1a
		rotular -R0/$MAPA_W/0/$MAPA_H -JX${MAPA_W}c/${MAPA_H}c -F+f+a+j < nomes.txt
		gmt plot -R$R -J$J -T
	fi

	# Escala e legenda
	gmt plot escala_caixa.txt -R0/$MAPA_W/0/$MAPA_H -JX${MAPA_W}c/${MAPA_H}c -G$CAIXA -W0.5p,$MOLDURA
	gmt plot escala_barra.txt -W1p,black
	gmt text escala_texto.txt -F+f14p,Palatino-Roman,black+jCB
	gmt plot -R$R -J$J -T
	if [ -s legenda.txt ]; then
		gmt legend legenda.txt -Dj${pos_leg}+o0.3c/0.3c -F+g$CAIXA+p0.6p,$MOLDURA+c0.15c
	fi
	gmt basemap -B0 --MAP_FRAME_PEN=1.2p,$MOLDURA
	gmt end
	)
}

desenhar() {
	local chave=$1 arquivo=$2 res=$3 ilhas=${4%/*} lagos=${4#*/} niveis_rios=$5 lon0=$6 lat0=$7 dlon=$8 titulo=$9 sub=${10} pos_leg=${11} pos_esc=${12} esc=${13}
	local R J
	R=$(regiao "$lon0" "$lat0" "$dlon")
	J="M$lon0/${MAPA_W}c"
	local d="$TMP/$chave"
	mkdir -p "$d"

	lugares_do_mapa "$chave" > "$d/lugares.txt"
	rotulos_do_mapa "$chave" > "$d/rotulos.txt"
	rotas_do_mapa "$chave" > "$d/rotas.txt"
	regioes_do_mapa "$chave" area > "$d/areas.txt"
	regioes_do_mapa "$chave" linha > "$d/linhas.txt"
	# A nota do mapa (linhas separadas por "|") vai na caixa da legenda, abaixo das entradas
	{ legenda_do_mapa "$chave"; printf '%s' "${NOTA:-}" | tr '|' '\n' | sed 's/^/L 14p,Palatino-Italic,#3a2a1a L /'; } |
		para_latin1 > "$d/legenda.txt"

	local rios=""
	case "$niveis_rios" in
		1) rios="-I1/1p,$RIO" ;;
		2) rios="-I1/1p,$RIO -I2/0.8p,$RIO" ;;
		r) rios="-Ir/0.8p,$RIO" ;;
	esac

	(
	cd "$d"
	# Escala: uma barra com o comprimento escrito em cima, numa caixa num canto do quadro
	# (esc: "25k" são 25 km, "200e" são 200 m; na latitude do centro)
	awk -v W="$MAPA_W" -v H="$MAPA_H" -v d="$dlon" -v lat="$lat0" -v esc="$esc" -v pos="$pos_esc" 'BEGIN {
		n = esc + 0; km = substr(esc, length(esc)) == "k" ? n : n / 1000
		texto = n (km == n ? " km" : " m")
		L = km * W / (d * 111.195 * cos(lat * atan2(0, -1) / 180))
		# largura do texto pelas larguras do Palatino (milésimos do corpo): algarismos, espaço, k, m
		for (i = 1; i <= length(texto); i++) {
			c = substr(texto, i, 1)
			tw += c ~ /[0-9]/ ? 500 : (c == " " ? 250 : (c == "k" ? 556 : 883))
		}
		tw = tw / 1000 * 14 / 72 * 2.54
		bw = (L > tw ? L : tw) + 0.5; bh = 1.15
		x0 = pos ~ /L/ ? 0.3 : (pos ~ /R/ ? W - 0.3 - bw : (W - bw) / 2)
		y0 = pos ~ /B/ ? 0.3 : H - 0.3 - bh
		cx = x0 + bw / 2; yb = y0 + 0.2
		printf "%.3f %.3f\n%.3f %.3f\n%.3f %.3f\n%.3f %.3f\n", x0, y0, x0 + bw, y0, x0 + bw, y0 + bh, x0, y0 + bh > "escala_caixa.txt"
		printf "%.3f %.3f\n%.3f %.3f\n%.3f %.3f\n%.3f %.3f\n", cx - L/2, yb + 0.2, cx - L/2, yb, cx + L/2, yb, cx + L/2, yb + 0.2 > "escala_barra.txt"
		printf "%.3f %.3f %s\n", cx, yb + 0.33, texto > "escala_texto.txt"
	}'
	if [ -s rotas.txt ]; then
		gmt mapproject rotas.txt -R$R -J$J > rotas_cm.txt
		setas rotas_cm.txt > setas.txt
	fi
	if [ -s lugares.txt ]; then
		awk -F'\t' '$3 == "capital" { print $1, $2 }' lugares.txt > capitais.txt
		awk -F'\t' '$3 == "cidade" { print $1, $2 }' lugares.txt > cidades.txt
		awk -F'\t' '$3 == "monte" { print $1, $2 }' lugares.txt > montes.txt
		awk -F'\t' '$3 == "local" { print $1, $2 }' lugares.txt > locais.txt
		# O nome fica a uma distância do símbolo na direção pedida, mais o deslocamento (cm);
		# com 2 linhas, quebra no espaço mais perto do meio
		cut -f1,2 lugares.txt | gmt mapproject -R$R -J$J > lugares_cm.txt
		paste lugares_cm.txt lugares.txt | awk -F'\t' "$AWK_ROTULO"'
		BEGIN { j["E"]="LM"; j["W"]="RM"; j["N"]="CB"; j["S"]="CT"; j["NE"]="LB"; j["NW"]="RB"; j["SE"]="LT"; j["SW"]="RT"
			split("E 1 0 W -1 0 N 0 1 S 0 -1 NE .8 .8 NW -.8 .8 SE .8 -.8 SW -.8 -.8", v, " ")
			for (i = 1; i <= 24; i += 3) { vx[v[i]] = v[i+1]; vy[v[i]] = v[i+2] } }
		{ x = $1; y = $2; t = $5; p = $6; split($7, o, "/"); nome = $9
		  pt = 14; f = "Palatino-Roman,black"; r = 0.2
		  if (t == "capital") { pt = 15; f = "Palatino-Bold,black"; r = 0.25 }
		  else if (t == "monte") { f = "Palatino-Italic,#5a3414"; r = 0.24 }
		  else if (t == "local") { f = "Palatino-Bold,#5a1a0a" }
		  else if (t == "tribo") { f = "Palatino-Bold,#4a2a10"; r = 0 }
		  else if (t == "regiao") { f = "Palatino-Roman,#8b3a2a"; r = 0 }
		  else if (t == "edificio") { f = "Palatino-Bold,#5a1a0a"; r = 0 }
		  if (!(p in j)) { print "posição de rótulo desconhecida: " p > "/dev/stderr"; exit 1 }
		  if ($8 == 2) {
			meio = 0
			for (i = 1; i <= length(nome); i++)
				if (substr(nome, i, 1) == " " && (meio == 0 || (i - length(nome) / 2) ^ 2 < (meio - length(nome) / 2) ^ 2)) meio = i
			if (meio) nome = substr(nome, 1, meio - 1) "|" substr(nome, meio + 1)
		  }
		  rotulo(x + r * vx[p] + o[1], y + r * vy[p] + o[2], pt, f, 0, j[p], nome)
		  # Um nome afastado do seu lugar ganha uma linha de chamada até ele
		  if (o[1] ^ 2 + o[2] ^ 2 >= 0.36) {
			dx = r * vx[p] + o[1] - 0.25 * vx[p]; dy = r * vy[p] + o[2] - 0.25 * vy[p]; d = sqrt(dx ^ 2 + dy ^ 2)
			s = r == 0 ? 0 : 0.12
			printf ">\n%.3f %.3f\n%.3f %.3f\n", x + s * dx / d, y + s * dy / d, x + dx, y + dy > "chamadas.txt"
		  } }' > nomes.txt
	fi
	if [ -s rotulos.txt ]; then
		cut -f1,2 rotulos.txt | gmt mapproject -R$R -J$J > rotulos_xy.txt
		paste rotulos_xy.txt rotulos.txt | awk -F'\t' "$AWK_ROTULO"'{
			e = $5; f = "Palatino-Roman,#8b3a2a"
			if (e == "tribo" || e == "reino") f = "Palatino-Bold,#4a2a10"
			else if (e == "agua" || e == "rio") f = "Palatino-Italic,#2f5f85"
			else if (e == "ilha") f = "Palatino-Italic,#4a3a2a"
			rotulo($1, $2, $6, f, $7, "CM", $8) }' > rotulos_cm.txt
	fi
	)

	local png="$d/mapa.png"
	camada desenho mapa
	camada sem_rotulos sem_rotulos
	camada caixas caixas
	/usr/bin/convert "$png" -resize "${PX_L}x${PX_A}!" -strip -interlace none \
		-sampling-factor 2x2 -quality 85 "$AQUI/$arquivo"
	echo "$arquivo: $(stat -c %s "$AQUI/$arquivo") bytes"
	bash "$AQUI/conferir-rotulos.sh" "${arquivo%.jpg}" "$d/sem_rotulos.png" "$d/caixas.png" "$png" "$TELA_L" ||
		FALHAS="$FALHAS ${arquivo%.jpg}"
}

# chave | arquivo | resolução | áreas mínimas de ilhas/lagos (km²) | rios (- nenhum, 1 os
# maiores, 2 também os médios, r todos) | centro lon | centro lat | largura (graus) | título | subtítulo | legenda | escala | comprimento da escala
MAPAS=$(cat <<'FIM'
jesus	terra-santa-jesus.jpg	f	0/0	2	35.35	32.30	3.4	A Terra Santa no Tempo de Jesus	A Palestina romana, c. 4 a.C. a 30 d.C.	TR	BL	25k
exodo	exodo.jpg	h	5/50	-	33.70	30.00	7.0	O Êxodo: do Egito a Canaã	A saída do Egito e os quarenta anos no deserto (rota tradicional)	BL	TL	50k
tribos	doze-tribos.jpg	f	0/0	2	35.40	32.25	4.2	As Doze Tribos de Israel	A partilha da terra nos dias de Josué	BR	BL	25k
reinos	reinos-israel-juda.jpg	f	0/50	-	35.55	32.29	4.8	Os Reinos de Israel e Judá	O reino dividido, c. 930 a 722 a.C.	BR	BL	25k
paulo1	paulo-primeira-viagem.jpg	h	5/400	-	34.0	36.75	9.0	A Primeira Viagem Missionária de Paulo	Atos 13 e 14	TR	BR	100k
paulo2	paulo-segunda-viagem.jpg	h	400/1200	-	29.3	36.7	20.5	A Segunda Viagem Missionária de Paulo	Atos 15.36 a 18.22	BL	BC	200k
paulo3	paulo-terceira-viagem.jpg	h	400/1200	-	29.3	36.7	20.5	A Terceira Viagem Missionária de Paulo	Atos 18.23 a 21.17	BL	BC	200k
roma	paulo-viagem-roma.jpg	i	500/400	-	23.00	37.00	27.0	A Viagem de Paulo a Roma	Atos 27 e 28	TR	BL	300k
igrejas	sete-igrejas-asia.jpg	f	20/160	1	27.85	38.30	4.6	As Sete Igrejas da Ásia	Apocalipse 1 a 3	BR	TL	25k
jerusalem	jerusalem-tempo-jesus.jpg	f	0/0	-	35.235	31.776	0.034	Jerusalém no Tempo de Jesus	A cidade no século I d.C. (localizações aproximadas)	BR	TR	200e
galileia	ministerio-galileia.jpg	f	0/0	2	35.40	32.94	1.3	O Ministério de Jesus na Galileia	Mateus 4 a 18; Marcos 1 a 9; Lucas 4 a 9	TL	BL	10k
abraao	jornada-abraao.jpg	i	20/400	1	38.50	33.30	19.5	A Jornada de Abraão	De Ur dos caldeus a Canaã e ao Egito (Gênesis 11 a 13)	BR	TR	200k
exilio	exilio-babilonia.jpg	i	20/400	1	41.00	33.60	17.5	O Exílio na Babilônia	As deportações de Israel (722 a.C.) e de Judá (597 a 586 a.C.)	BL	BR	200k
davi	reino-davi-salomao.jpg	h	5/400	1	36.30	32.70	12.0	O Reino de Davi e Salomão	O reino unido, c. 1000 a 930 a.C.	BR	BL	100k
FIM
)

pedidos=" $* "
FALHAS=""
while IFS=$'\t' read -r chave arquivo res areas niveis_rios lon0 lat0 dlon titulo sub pos_leg pos_esc esc; do
	[ -z "$chave" ] && continue
	if [ $# -gt 0 ] && [[ "$pedidos" != *" $chave "* ]]; then continue; fi
	NOTA=""
	[ "$chave" = tribos ] && NOTA="Levi não recebeu território:|habitou em 48 cidades entre as tribos."
	desenhar "$chave" "$arquivo" "$res" "$areas" "$niveis_rios" "$lon0" "$lat0" "$dlon" "$titulo" "$sub" "$pos_leg" "$pos_esc" "$esc"
done <<< "$MAPAS"
if [ -n "$FALHAS" ]; then
	echo "rótulos que tocam outro rótulo ou uma linha em:$FALHAS" >&2
	exit 1
fi

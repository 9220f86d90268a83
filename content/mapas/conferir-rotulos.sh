#!/usr/bin/env bash
# Confere os rótulos de um mapa desenhado: nenhum rótulo pode tocar outro rótulo, uma linha,
# uma costa ou um símbolo. Recebe três figuras do mesmo desenho, do mesmo tamanho:
#   SEM_ROTULOS  o mapa sem os rótulos (linhas, costas e símbolos escuros sobre fundos claros)
#   CAIXAS       o mapa com a caixa de cada rótulo pintada de #ff00ff e contornada de #0000ff
#   DESENHO      o mapa pronto, onde os toques são marcados para quem quiser vê-los
# e a largura em que a janela mostra o mapa (os toques são dados nessa escala).
#
# Uso: conferir-rotulos.sh NOME SEM_ROTULOS CAIXAS DESENHO LARGURA_NA_TELA
# Escreve um aviso por toque; se a variável CONFERENCIA nomeia uma pasta, grava nela
# NOME.png com os toques em vermelho. Sai com 1 se houver algum toque.
set -euo pipefail

nome=$1 sem=$2 caixas=$3 desenho=$4 tela=$5
im=/usr/bin/convert
d=$(mktemp -d)
trap 'rm -rf "$d"' EXIT

largura=$(/usr/bin/identify -format %w "$sem")
# Pixels da figura por pixel da tela (o raio dos toques e a escala dos avisos)
px=$(awk -v w="$largura" -v t="$tela" 'BEGIN { printf "%.3f", w / t }')
raio=$(awk -v p="$px" 'BEGIN { r = int(p + 0.5); print (r < 1 ? 1 : r) }')

# Caixas: azul cheio e verde nulo (o magenta, o azul do contorno e a mistura dos dois);
# contornos: a parte das caixas com pouco vermelho.
"$im" "$caixas" -alpha off -channel B -separate +channel -threshold 90% "$d/azul.png"
"$im" "$caixas" -alpha off -channel G -separate +channel -negate -threshold 90% "$d/sem_verde.png"
"$im" "$d/azul.png" "$d/sem_verde.png" -compose multiply -composite "$d/caixas.png"
"$im" "$caixas" -alpha off -channel R -separate +channel -negate -threshold 65% "$d/sem_vermelho.png"
"$im" "$d/caixas.png" "$d/sem_vermelho.png" -compose multiply -composite "$d/contornos.png"

# Linhas: o que é escuro no mapa sem rótulos (terra, mar, lagos e caixas são claros)
"$im" "$sem" -alpha off -colorspace gray -threshold 74% -negate "$d/linhas.png"

# Um rótulo sobre outro: o contorno de uma caixa fica dentro da área coberta pelas caixas.
"$im" "$d/caixas.png" -morphology Erode "Disk:$((raio + 1))" "$d/miolo.png"
"$im" "$d/contornos.png" "$d/miolo.png" -compose multiply -composite "$d/sobre.png"
# Um rótulo sobre uma linha: a caixa, alargada de um pixel da tela, alcança a linha.
"$im" "$d/caixas.png" -morphology Dilate "Disk:$raio" "$d/linhas.png" -compose multiply \
	-composite "$d/toca.png"
"$im" "$d/sobre.png" "$d/toca.png" -compose lighten -composite "$d/pontos.png"
"$im" "$d/pontos.png" -morphology Dilate "Disk:$((4 * raio))" "$d/toques.png"

toques=$("$im" "$d/toques.png" -define connected-components:verbose=true \
	-define connected-components:area-threshold=1 -connected-components 8 null: |
	awk -v p="$px" '
	/^ *[0-9]+:/ && $NF ~ /gray\(255\)|#FFFFFF|srgb\(255,255,255\)/ {
		split($2, g, /[x+]/)
		printf "%s: rótulo toca outro rótulo ou uma linha perto de x=%d y=%d (tela)\n", nome,
			(g[3] + g[1] / 2) / p, (g[4] + g[2] / 2) / p
	}' nome="$nome")

if [ -z "$toques" ]; then exit 0; fi
printf '%s\n' "$toques"
if [ -n "${CONFERENCIA:-}" ]; then
	mkdir -p "$CONFERENCIA"
	"$im" "$desenho" \( "$d/pontos.png" -morphology Dilate "Disk:$raio" -fill red -opaque white \
		-transparent black \) -compose over -composite "$CONFERENCIA/$nome.png"
fi
exit 1
